#include "lock/x11/lock_cover.h"

#include "lock/x11/lock_window_flags.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

LockCover::LockCover(QWidget* owner, QScreen* screen, const QImage& picture,
                     std::function<void()> onClick)
    : QWidget(owner, lockWindowFlags() | Qt::WindowDoesNotAcceptFocus), screen_(screen),
      picture_(picture), onClick_(std::move(onClick)) {
    setObjectName(QStringLiteral("LockCover"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(screen->geometry());
}

void LockCover::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.drawImage(QPoint(0, 0), picture_);
}

void LockCover::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (onClick_)
        onClick_();
}

void LockCover::closeEvent(QCloseEvent* event) {
    event->ignore(); // only the lock window's unload removes a cover
}
