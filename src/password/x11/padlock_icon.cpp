#include "password/x11/padlock_icon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap padlockIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);

    // Shackle: a thick grey arch standing on the body.
    painter.setPen(QPen(QColor(0x70, 0x70, 0x78), 4, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(10, 16);
    shackle.lineTo(10, 11);
    shackle.arcTo(10, 3, 12, 12, 180, -180);
    shackle.lineTo(22, 16);
    painter.drawPath(shackle);

    // Body: a gold block with a dark keyhole.
    painter.setPen(QPen(QColor(0x8a, 0x62, 0x10), 1));
    painter.setBrush(QColor(0xe8, 0xb8, 0x30));
    painter.drawRoundedRect(QRectF(5.5, 14.5, 21, 16), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x30, 0x20, 0x08));
    painter.drawEllipse(QPointF(16, 21), 2.5, 2.5);
    painter.drawRect(QRectF(15, 22, 2, 5));
    return icon;
}
