#include "help/x11/about_artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// The picture is designed on a 391 x 296 canvas and scaled to the size asked for.
constexpr qreal kDesignWidth = 391;
constexpr qreal kDesignHeight = 296;
constexpr qreal kBandWidth = 88;
constexpr qreal kBandBottom = 256;

const QColor kInk(0x1d, 0x35, 0x5e);
const QColor kBandTop(0x16, 0x2c, 0x52);
const QColor kBandBottomColour(0x2f, 0x5f, 0x9e);
const QColor kAccent(0xd9, 0x8c, 0x1f);

void paintCard(QPainter& p) {
    QLinearGradient paper(0, 0, 0, kDesignHeight);
    paper.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    paper.setColorAt(1, QColor(0xe9, 0xee, 0xf5));
    p.fillRect(QRectF(0, 0, kDesignWidth, kDesignHeight), paper);
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xbd), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kDesignWidth - 1, kDesignHeight - 1));
}

void paintBand(QPainter& p) {
    QLinearGradient band(0, 0, 0, kBandBottom);
    band.setColorAt(0, kBandTop);
    band.setColorAt(1, kBandBottomColour);
    p.fillRect(QRectF(0, 0, kBandWidth, kBandBottom), band);
    // Faint rings behind the emblem, like a dial.
    p.setBrush(Qt::NoBrush);
    for (int ring = 0; ring < 4; ++ring) {
        p.setPen(QPen(QColor(255, 255, 255, 22 - ring * 4), 1.2));
        const qreal radius = 30 + ring * 14;
        p.drawEllipse(QPointF(kBandWidth / 2, 140), radius, radius);
    }
    p.fillRect(QRectF(kBandWidth, 0, 3, kBandBottom), kAccent);
}

void paintPadlock(QPainter& p, QPointF centre) {
    const QRectF body(centre.x() - 20, centre.y() - 6, 40, 32);
    // The shackle: a thick arc standing on the body.
    QPainterPath shackle;
    shackle.moveTo(centre.x() - 12, body.top() + 1);
    shackle.lineTo(centre.x() - 12, centre.y() - 18);
    shackle.arcTo(QRectF(centre.x() - 12, centre.y() - 30, 24, 24), 180, -180);
    shackle.lineTo(centre.x() + 12, body.top() + 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe4, 0xe9, 0xf1), 6, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);

    QLinearGradient metal(body.topLeft(), body.bottomLeft());
    metal.setColorAt(0, QColor(0xf7, 0xc6, 0x5a));
    metal.setColorAt(1, kAccent);
    p.setPen(QPen(QColor(0x8a, 0x55, 0x0c), 1));
    p.setBrush(metal);
    p.drawRoundedRect(body, 5, 5);
    // The keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x25, 0x08));
    p.drawEllipse(QPointF(centre.x(), body.top() + 12), 4, 4);
    p.drawRect(QRectF(centre.x() - 1.5, body.top() + 13, 3, 9));
}

void paintTitle(QPainter& p) {
    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(30);
    name.setBold(true);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(name);
    p.setPen(kInk);
    p.drawText(QPointF(104, 46), QStringLiteral("Veltrane"));

    QFont motto(QStringLiteral("DejaVu Sans"));
    motto.setPixelSize(10);
    motto.setItalic(true);
    p.setFont(motto);
    p.setPen(QColor(0x5a, 0x6b, 0x85));
    p.drawText(QPointF(106, 64), QStringLiteral("the desktop, locked"));

    // Rules above the disclaimer and above the foot of the card.
    p.setPen(QPen(kAccent, 2));
    p.drawLine(QPointF(104, 84), QPointF(144, 84));
    p.setPen(QPen(QColor(0xb8, 0xc3, 0xd3), 1));
    p.drawLine(QPointF(148, 84), QPointF(385, 84));
    p.drawLine(QPointF(104, 252.5), QPointF(385, 252.5));
}

} // namespace

QPixmap aboutBackground(const QSize& size) {
    QPixmap picture(size);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size.width() / kDesignWidth, size.height() / kDesignHeight);
    paintCard(p);
    paintBand(p);
    paintPadlock(p, QPointF(kBandWidth / 2, 140));
    paintTitle(p);
    return picture;
}
