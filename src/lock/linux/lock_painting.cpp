#include "lock/linux/lock_painting.h"

#include "lock/lock_box.h"
#include "lock/lock_geometry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <vector>

namespace lockpaint {

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

// Light enough to read on the panel's navy, each its own colour.
const QColor kWrongColour(255, 190, 170);
const QColor kCapsColour(255, 222, 140);

// The panel's lines sit under the rule of its artwork, in the box's column.
constexpr int kLinesTop = 58, kLinesBottomMargin = 4;
constexpr int kBoxMargin = 2; // as a frameless line edit leaves

int pixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::nearbyint(twips / twipsPerPixel));
}

// `text` with `outline` under it, reaching `width` device pixels beyond each of its
// pixels (a square's widest coverage: across and then down).
QImage outlined(const QImage& text, const QColor& outline, int width) {
    const QImage alpha = text.convertToFormat(QImage::Format_Alpha8);
    const int w = alpha.width(), h = alpha.height();
    std::vector<uchar> across(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const uchar* line = alpha.constScanLine(y);
        for (int x = 0; x < w; ++x)
            across[static_cast<std::size_t>(y * w + x)] =
                *std::max_element(line + std::max(0, x - width), line + std::min(w, x + width + 1));
    }
    QImage result(text.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(text.devicePixelRatio());
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int cover = 0;
            for (int k = std::max(0, y - width); k <= std::min(h - 1, y + width); ++k)
                cover = std::max<int>(cover, across[static_cast<std::size_t>(k * w + x)]);
            out[x] = qPremultiply(qRgba(outline.red(), outline.green(), outline.blue(),
                                        cover * outline.alpha() / 255));
        }
    }
    QPainter(&result).drawImage(QPoint(), text);
    return result;
}

} // namespace

const QColor kBannerInk = kNavy;
const QColor kBannerOutline(240, 244, 255);

PanelLayout panelLayout(double twipsPerPixelX, double twipsPerPixelY) {
    const QRect box(
        pixels(lockgeo::kBoxLeft, twipsPerPixelX), pixels(lockgeo::kBoxTop, twipsPerPixelY),
        pixels(lockgeo::kBoxWidth, twipsPerPixelX), pixels(lockgeo::kBoxHeight, twipsPerPixelY));
    return {box,
            QRect(box.x(), kLinesTop, box.width(), kPanelHeight - kLinesTop - kLinesBottomMargin)};
}

void paintPanelArtwork(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(0.5, 0.5, kPanelWidth - 1, kPanelHeight - 1);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, kNavy.lighter(135));
    shade.setColorAt(0.45, kNavy);
    shade.setColorAt(1, kDeep);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(shade);
    p.drawRoundedRect(body, 7, 7);

    // A thin highlight under the top edge and a rule under the title.
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(8, 2.5), QPointF(kPanelWidth - 8, 2.5));
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(13, 56.5), QPointF(kPanelWidth - 13, 56.5));

    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(13);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(13, 6, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Veltrane"));
    drawPadlock(p, QPointF(kPanelWidth - 30, 5));

    // The recess the password box sits in (the box is at 13, 29, 257 x 19).
    p.setPen(QPen(QColor(0, 0, 40), 1));
    p.setBrush(QColor(0, 0, 40, 90));
    p.drawRoundedRect(QRectF(10.5, 26.5, 262, 24), 3, 3);

    // Three small dots under the rule: a quiet mark of the product.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(255, 255, 255, 90 - 25 * i));
        p.drawEllipse(QRectF(kPanelWidth / 2.0 - 12 + 10 * i, 68, 4, 4));
    }
    p.restore();
}

void paintPasswordBox(QPainter& painter, const QRect& area, std::size_t length, const QFont& font,
                      const QPalette& palette) {
    painter.save();
    painter.fillRect(area, palette.color(QPalette::Base));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QString shown(static_cast<qsizetype>(length), QLatin1Char('*'));
    // The end stays in view, as in a line edit typed into.
    const int room = area.width() - 2 * kBoxMargin - 1;
    const int x = area.x() + kBoxMargin + std::min(0, room - metrics.horizontalAdvance(shown));
    const int top = area.y() + (area.height() - metrics.height()) / 2;
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(x, top + metrics.ascent(), shown);
    // The caret stands still: a blink would repaint twice a second for nothing.
    const int caret = x + metrics.horizontalAdvance(shown);
    painter.fillRect(caret, top, 1, metrics.height(), palette.color(QPalette::Text));
    painter.restore();
}

void paintPanelLines(QPainter& painter, const QRect& area, bool wrongPassword, bool capsLock) {
    painter.save();
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    verdana.setBold(true);
    painter.setFont(verdana);
    if (wrongPassword) {
        painter.setPen(kWrongColour);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromLatin1(kWrongPasswordText));
    }
    if (capsLock) {
        painter.setPen(kCapsColour);
        painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromLatin1(kCapsLockText));
    }
    painter.restore();
}

QFont bannerFont() {
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(14.25);
    return verdana;
}

QImage bannerCaption(const QString& text, const QFont& font, const QSize& size, qreal ratio) {
    // As a label draws plain text: on the left, in the middle of its height.
    QImage caption((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    caption.setDevicePixelRatio(ratio);
    caption.fill(Qt::transparent);
    QPainter painter(&caption);
    painter.setFont(font);
    painter.setPen(kBannerInk);
    painter.drawText(QRect(QPoint(), size), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.end();
    return outlined(caption, kBannerOutline, std::max(1, qRound(ratio)));
}

} // namespace lockpaint
