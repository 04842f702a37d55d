#pragma once
// What the lock windows paint: the frozen desktop under the banner and the panel, and
// the panel itself. Where the window system can show the frozen desktop itself (X11: the
// copy stays on the X server, the background of a window over the lock window) the
// program paints only where the panel is, left open in it, and the X server moves the
// banner in a window of its own over the picture.

#include "lock/x11/screen_capture.h"
#include "lock/x11/server_overlay.h"

#include <QLabel>
#include <QPixmap>
#include <QRegion>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class SystemDrawnPicture;

// A snapshot as a native widget's background, shown again for each new window and place
// of the widget, and only then: showing it asks the X server where the window is, and a
// show brings a new window, a move and a resize at once.
class ShownBackground {
public:
    // After the widget got a window or moved; true while the window system draws the
    // widget's background from the snapshot.
    bool follow(QWidget* widget, const platform::DesktopSnapshot& snapshot) {
        return followAll({{this, widget}}, snapshot);
    }
    // As follow for several widgets at once (one wait for the window system); true when
    // the first one's is drawn.
    static bool followAll(const std::vector<std::pair<ShownBackground*, QWidget*>>& widgets,
                          const platform::DesktopSnapshot& snapshot);
    bool drawn() const { return drawn_; }

private:
    WId window_ = 0;
    QRect place_;
    bool drawn_ = false;
};

// The frozen desktop under its parent's other contents; clicks on it reach the parent.
// Where the window system shows it, it is also the parent's own background, so that what
// the program has yet to paint shows it too, never the desktop as it is.
class FrozenPicture : public QWidget {
public:
    explicit FrozenPicture(QWidget* parent);
    // Makes the windows that will show a snapshot ahead of it, hidden, where the window
    // system can show one; they get the snapshot with setSnapshot.
    void prepare();
    // Shows the snapshot's part that lies under this widget on screen.
    void setSnapshot(std::shared_ptr<const platform::DesktopSnapshot> snapshot);
    // Paints the snapshot's part under `area` (this widget's coordinates) at (0, 0).
    void paintPart(QPainter& painter, const QRect& area) const;
    // Shows `caption` (drawn in `ink` with an `outline`) over the picture at `place`
    // (this widget's coordinates) in a window the X server moves, clipped where the
    // program paints; false where the window system does not show the picture, and the
    // caller paints the caption itself.
    bool showOver(const QImage& caption, const QColor& ink, const QColor& outline,
                  const QRect& place);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawnByWindowSystem() const;
    void leaveRowsToProgram();
    friend class SystemDrawnPicture;

    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    SystemDrawnPicture* shown_ = nullptr;
    ShownBackground parentBackground_;
    QRegion programRows_;    // where the parent's other contents are
    mutable QImage picture_; // what this widget paints, device pixels
    mutable QRect pictureArea_;
    QRect rowArea_;         // the row the shown caption travels along
    qint64 captionKey_ = 0; // the caption the X server has
};

// The travelling banner: a label that lays out and draws its caption once, then copies
// it at every step. A thin light outline keeps it readable on any desktop.
class LockBanner : public QLabel {
public:
    explicit LockBanner(QWidget* parent);
    // The caption as the label draws it, outlined, on a transparent ground, device pixels.
    const QImage& caption();

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage caption_;
    QString drawnText_;
};

// The panel: its artwork over the frozen desktop, drawn whole (so the banner passing
// behind it costs nothing); keeps clicks on it from reaching the form.
class LockPanel : public QWidget {
public:
    LockPanel(QWidget* parent, const FrozenPicture* picture);
    // Where the window system can draw it: gives the panel a window of its own now.
    void prepare();
    // Gives that window the panel as it looks now (the box inside it included) as its
    // background, so that the panel is whole the moment the window is mapped, before the
    // program paints it. False where it has no window of its own.
    bool showDrawnAhead();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const FrozenPicture* picture_;
    QImage shown_; // the artwork over the picture, made at the first paint after a move
    bool drawnAhead_ = false;
};
