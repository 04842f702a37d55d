#pragma once
// A caption the X server draws in a window of its own inside a native widget's window,
// travelling along one row of it. The program sends the row's picture and the caption
// once; each step then costs a few small requests and no pixels: the server moves the
// caption, redraws the row where it was and blends the caption from pictures it holds.

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace platform {

class ServerOverlay {
public:
    // Null where there is no X server or the widget has no native window.
    static std::unique_ptr<ServerOverlay> create(QWidget* parent);
    ~ServerOverlay();
    ServerOverlay(const ServerOverlay&) = delete;
    ServerOverlay& operator=(const ServerOverlay&) = delete;
    // The picture along the row (the parent's whole width, device pixels) at `top`.
    void setRow(int top, const QImage& row);
    // The caption over a transparent ground, device pixels, drawn in two colours: its
    // opaque pixels in `ink`, `outline` or a mix of the two, its edges over the row in
    // whichever of them they are nearer.
    void setCaption(const QImage& caption, const QColor& ink, const QColor& outline);
    // Draws the caption with its left edge at `left` (the parent's device pixels).
    void moveTo(int left);
    // The parent's window is gone, and this window with it.
    void forget() { window_ = 0; }

private:
    // One part of the caption: where its GC clips, from a blend of the row (or, without
    // one, in the GC's own colour).
    struct Layer {
        uint32_t gc;
        uint32_t source;
    };
    ServerOverlay(void* connection, uint32_t row, uint32_t caption)
        : c_(connection), window_(row), caption_(caption) {}
    uint32_t blend(int level, const QColor& colour);
    void freeRow();
    void* c_;
    uint32_t window_;  // along the row; holds the caption's
    uint32_t caption_; // the caption's own, moved at each step
    QSize size_;
    QImage row_;
    uint32_t bare_ = 0;                   // the row as it is
    uint32_t copyGc_ = 0;                 // copies it whole
    std::map<uint64_t, uint32_t> blends_; // the row with a colour over it, by colour and level
    std::vector<uint32_t> gcs_;           // one a layer, kept for the next caption
    std::vector<Layer> layers_;
};

} // namespace platform
