#pragma once
// A window that covers one further screen while the desktop is locked: it shows that
// screen's part of the snapshot and hands every click to the lock window's check.

#include "lock/x11/screen_capture.h"

#include <QWidget>
#include <functional>
#include <memory>

class QScreen;

class LockCover : public QWidget {
    Q_OBJECT
public:
    LockCover(QWidget* owner, QScreen* screen,
              std::shared_ptr<const platform::DesktopSnapshot> snapshot,
              std::function<void()> onClick);
    QScreen* coveredScreen() const { return screen_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QScreen* screen_;
    QWidget* picture_;
    std::function<void()> onClick_;
};
