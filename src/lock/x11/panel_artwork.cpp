#include "lock/x11/panel_artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kNavy(0, 0, 128); // the banner's colour, so the two belong together
const QColor kDeep(10, 18, 58);
const QColor kEdge(150, 170, 215);

// A small padlock: shackle arc over a rounded body with a keyhole.
void drawPadlock(QPainter& p, const QPointF& at) {
    p.setPen(QPen(kEdge, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(at + QPointF(3, 9));
    shackle.lineTo(at + QPointF(3, 5));
    shackle.arcTo(QRectF(at + QPointF(3, 0), QSizeF(10, 10)), 180, -180);
    shackle.lineTo(at + QPointF(13, 9));
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(kEdge);
    p.drawRoundedRect(QRectF(at + QPointF(0, 8), QSizeF(16, 12)), 2.5, 2.5);
    p.setBrush(kDeep);
    p.drawEllipse(QRectF(at + QPointF(6.5, 11), QSizeF(3, 3)));
    p.drawRect(QRectF(at + QPointF(7.3, 13), QSizeF(1.4, 4)));
}

} // namespace

QPixmap panelArtwork() {
    QPixmap picture(kPanelArtworkWidth, kPanelArtworkHeight);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(0.5, 0.5, kPanelArtworkWidth - 1, kPanelArtworkHeight - 1);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, kNavy.lighter(135));
    shade.setColorAt(0.45, kNavy);
    shade.setColorAt(1, kDeep);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(shade);
    p.drawRoundedRect(body, 7, 7);

    // A thin highlight under the top edge and a rule under the title.
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(8, 2.5), QPointF(kPanelArtworkWidth - 8, 2.5));
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(13, 56.5), QPointF(kPanelArtworkWidth - 13, 56.5));

    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(13);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(13, 6, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Veltrane"));
    drawPadlock(p, QPointF(kPanelArtworkWidth - 30, 5));

    // The recess the password box sits in (the box is at 13, 29, 257 x 19).
    p.setPen(QPen(QColor(0, 0, 40), 1));
    p.setBrush(QColor(0, 0, 40, 90));
    p.drawRoundedRect(QRectF(10.5, 26.5, 262, 24), 3, 3);

    // Three small dots under the rule: a quiet mark of the product.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(255, 255, 255, 90 - 25 * i));
        p.drawEllipse(QRectF(kPanelArtworkWidth / 2.0 - 12 + 10 * i, 68, 4, 4));
    }
    return picture;
}
