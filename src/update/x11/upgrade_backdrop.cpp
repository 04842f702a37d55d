#include "update/x11/upgrade_backdrop.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

UpgradeBackdrop::UpgradeBackdrop(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
}

void UpgradeBackdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xf4, 0xf7, 0xfb));
    sky.setColorAt(1, QColor(0xd6, 0xe0, 0xee));
    painter.fillRect(rect(), sky);

    // The image: an arrow coming down into a tray.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2f, 0x6d, 0xb5));
    QPainterPath arrow;
    arrow.addRect(24, 10, 12, 20);
    arrow.moveTo(14, 28);
    arrow.lineTo(46, 28);
    arrow.lineTo(30, 44);
    arrow.closeSubpath();
    painter.drawPath(arrow.simplified());
    painter.setBrush(QColor(0x5a, 0x64, 0x70));
    painter.drawRect(10, 48, 40, 6);

    // Separator lines: an etched dark line with a light one beneath.
    for (int y : {66, 116}) {
        painter.setPen(QColor(0xa0, 0xaa, 0xb8));
        painter.drawLine(10, y, width() - 10, y);
        painter.setPen(Qt::white);
        painter.drawLine(10, y + 1, width() - 10, y + 1);
    }
}
