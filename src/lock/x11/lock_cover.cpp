#include "lock/x11/lock_cover.h"

#include "lock/x11/lock_picture.h"
#include "lock/x11/lock_window_flags.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>

LockCover::LockCover(QWidget* owner, QScreen* screen,
                     std::shared_ptr<const platform::DesktopSnapshot> snapshot,
                     std::function<void()> onClick)
    : QWidget(owner, lockWindowFlags() | Qt::WindowDoesNotAcceptFocus), screen_(screen),
      onClick_(std::move(onClick)) {
    setObjectName(QStringLiteral("LockCover"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(screen->geometry());
    auto* picture = new FrozenPicture(this);
    picture->setGeometry(rect());
    picture->setSnapshot(std::move(snapshot));
    picture_ = picture;
}

void LockCover::resizeEvent(QResizeEvent*) {
    picture_->resize(size());
}

void LockCover::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (onClick_)
        onClick_();
}

void LockCover::closeEvent(QCloseEvent* event) {
    event->ignore(); // only the lock window's unload removes a cover
}
