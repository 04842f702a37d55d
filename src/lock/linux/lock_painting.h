#pragma once
// The lock's look as the Linux locks paint it: the panel's artwork, the password box's
// stars and caret, the panel's lines and the banner's outlined caption. The X11 lock's
// widgets and the Wayland lock's surfaces call the same functions, each painting in
// logical pixels through a QPainter, so that a painter on a scaled image draws them sharp.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <cstddef>

class QPainter;
class QPalette;

namespace lockpaint {

// The panel's artwork: 283 x 88 pixels framing the password box.
constexpr int kPanelWidth = 283;
constexpr int kPanelHeight = 88;

// Where the box and its lines sit inside the panel, in pixels of a screen with these
// twips per pixel.
struct PanelLayout {
    QRect box;
    QRect lines;
};
PanelLayout panelLayout(double twipsPerPixelX, double twipsPerPixelY);

// The artwork with its top-left corner at the painter's origin; its rounded corners
// leave what is under them.
void paintPanelArtwork(QPainter& painter);

// The password box over `area`: one "*" for each of `length` characters and a caret.
void paintPasswordBox(QPainter& painter, const QRect& area, std::size_t length, const QFont& font,
                      const QPalette& palette);

// The lines under the box: "Wrong password" on the left, "Caps Lock is on" on the right.
void paintPanelLines(QPainter& painter, const QRect& area, bool wrongPassword, bool capsLock);

// The banner: navy Verdana, with a thin light outline that keeps it readable on any
// desktop.
QFont bannerFont();
extern const QColor kBannerInk;
extern const QColor kBannerOutline;
// The caption drawn as a label of `size` (logical pixels) draws plain text, outlined, on
// a transparent ground, at `ratio` device pixels a pixel.
QImage bannerCaption(const QString& text, const QFont& font, const QSize& size, qreal ratio);

} // namespace lockpaint
