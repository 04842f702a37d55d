#pragma once
// What one output shows while the session is locked: the frozen picture (white without
// one), the banner travelling over it and the panel with the password box and its lines
// in the middle, behind which the banner passes. Geometry in the output's logical pixels,
// 15 twips each, as the X11 lock has them at 96 dots per inch.

#include "lock/lock_geometry.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <optional>

class LockScreen;
class QPainter;

namespace waylock {

class OutputFace {
public:
    // `picture`: the output as copied before the lock, in its device pixels; null for white.
    OutputFace(const LockScreen& screen, QImage picture);

    // Paints the parts within `clip` of a surface of `size`; a new size places the panel
    // and the banner anew (the banner keeps its way along its line).
    void paint(QPainter& painter, QSize size, qreal ratio, const QRegion& clip);
    // One banner step; what changed on screen.
    QRegion step();
    // Where the panel is, for the box's changes and for clicks; empty before a paint.
    QRect panel() const;

private:
    void fit(QSize size, qreal ratio);
    QRect banner() const;
    void paintPicture(QPainter& painter, const QRect& area) const;
    void paintPanel(QPainter& painter) const;
    const QImage& caption(qreal ratio);

    const LockScreen& screen_;
    QImage copied_;  // as taken
    QImage picture_; // fitted to the surface's device pixels
    QSize size_;
    qreal ratio_ = 1;
    std::optional<lockgeo::LockFace> face_;
    QImage caption_;
    std::string captionText_;
};

} // namespace waylock
