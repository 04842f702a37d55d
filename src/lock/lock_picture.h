#pragma once
// What the lock windows paint: the frozen desktop, the travelling banner over it and the
// panel with the password box. Where the window system shows the frozen desktop itself
// (X11: the copy stays on the X server as the window's background) the program paints
// only the banner and the panel, which then need windows of their own to stay in front.

#include "platform/screen_capture.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <memory>

// The frozen desktop under its parent's other contents; clicks on it reach the parent.
class FrozenPicture : public QWidget {
public:
    explicit FrozenPicture(QWidget* parent);
    // Shows the snapshot's part that lies under this widget on screen.
    void setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot);
    // Paints the snapshot's part under `area` (this widget's coordinates) at (0, 0).
    void drawPart(QPainter& painter, const QRect& area) const;
    bool drawnByWindowSystem() const { return drawnBySystem_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Nothing to paint on screen with: the window system draws it.
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    void showOnScreen();

    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    bool drawnBySystem_ = false;
    // The rows of the picture last asked for (the banner keeps to its rows), device pixels.
    mutable QImage rows_;
    mutable QRect rowsArea_;
};

// The travelling banner: its caption over the frozen desktop.
class LockBanner : public QLabel {
public:
    LockBanner(QWidget* parent, const FrozenPicture* picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const FrozenPicture* picture_;
};

// The panel: its artwork over the frozen desktop; keeps clicks on it from reaching the
// form.
class LockPanel : public QWidget {
public:
    LockPanel(QWidget* parent, const FrozenPicture* picture);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const FrozenPicture* picture_;
    QPixmap artwork_;
    QImage shown_; // the artwork over the picture, made at the first paint after a move
};
