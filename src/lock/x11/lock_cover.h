#pragma once
// A window that covers one further screen while the desktop is locked: it shows that
// screen's part of the snapshot and hands every click to the lock window's check.

#include <QImage>
#include <QWidget>
#include <functional>

class QScreen;

class LockCover : public QWidget {
    Q_OBJECT
public:
    LockCover(QWidget* owner, QScreen* screen, const QImage& picture,
              std::function<void()> onClick);
    QScreen* coveredScreen() const { return screen_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QScreen* screen_;
    QImage picture_;
    std::function<void()> onClick_;
};
