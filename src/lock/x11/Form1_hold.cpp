// Form1's hold on the screens and the input: its windows kept above every other (the
// covers of further screens among them), following the screens, made anew when another
// program destroys one, and the keyboard and the pointer held throughout.

#include "lock/x11/Form1.h"
#include "lock/x11/lock_cover.h"
#include "lock/x11/lock_text_box.h"
#include "lock/x11/window_order.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace {

// Grabs are lost only when something else went wrong first (the window was unmapped or
// destroyed, which is handled on its own); checking them costs two round trips, so
// every fifth tick is enough.
constexpr int kGrabCheckTicks = 5;
// The keyboard grab fails until the window is viewable, some tens of milliseconds
// after the show; retried this often until both grabs are held. While another program
// holds one for longer, the retries slow down.
constexpr int kGrabRetryInterval = 10;
constexpr int kGrabRetrySlowInterval = 100;
constexpr int kGrabRetriesBeforeSlowing = 100;
// How long the set-up waits for another program to let go of the keyboard or the
// pointer before it gives up: a lock without the keys must never be shown.
constexpr int kGrabWaitMs = 1000;
constexpr int kMenuDepth = 8; // a menu and its open submenus

} // namespace

// Takes the keyboard and the pointer before anything is shown, waiting a little for
// another program that holds one of them.
bool Form1::holdInput() {
    // A menu of this program would take the grabs with it when it closes. (Closing one
    // closes its parents too; the bound only guards against one that will not close.)
    for (int menus = 0; menus < kMenuDepth && QApplication::activePopupWidget(); ++menus)
        QApplication::activePopupWidget()->close();
    grabRetry_->setInterval(kGrabRetryInterval);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        takeGrabs();
        if (holdsGrabs())
            return true;
        if (waited.elapsed() >= kGrabWaitMs)
            break;
        QThread::msleep(kGrabRetryInterval);
    }
    platform::windowOrder().releaseGrabs(this);
    return false;
}

// A screen changed size or place while locked: every lock window follows it, so that no
// strip of the live desktop shows.
void Form1::fitScreens() {
    if (!locked_)
        return;
    fitToScreen();
    watch(this); // where it is now is where it stays
    for (LockCover* cover : std::as_const(covers_)) {
        cover->setGeometry(cover->coveredScreen()->geometry());
        watch(cover);
    }
    platform::windowOrder().raise(this);
}

void Form1::followScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &Form1::fitScreens, Qt::UniqueConnection);
    addCover(screen);
}

void Form1::startLock() {
    locked_ = true;
    for (QScreen* screen : QGuiApplication::screens())
        followScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &Form1::followScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &Form1::removeCover);
    activateWindow();
    screen_->capsLockChanged();
    watch(this);
}

void Form1::takeGrabs() {
    platform::windowOrder().grabInput(this, keyboardHeld_, pointerHeld_);
    if (holdsGrabs()) {
        grabRetry_->stop();
        reportHeld();
    } else if (++grabAttempts_ == kGrabRetriesBeforeSlowing) {
        grabRetry_->setInterval(kGrabRetrySlowInterval);
    }
}

void Form1::reportHeld() {
    if (heldReported_ || !locked_ || !painted_ || !holdsGrabs())
        return;
    heldReported_ = true;
    Q_EMIT lockHeld();
}

void Form1::addCover(QScreen* screen) {
    if (!locked_ || !screen || screen == homeScreen_ || covers_.contains(screen))
        return;
    auto* cover = new LockCover(this, screen, snapshot_, [this] { Form_Click(); });
    covers_.insert(screen, cover);
    cover->show();
    watch(cover);
    // A screen may overlap this one (mirrored, say): the panel stays in front.
    platform::windowOrder().raise(this);
}

void Form1::watch(QWidget* window) {
    platform::windowOrder().watchCovering(window,
                                          [this](QWidget* lost, platform::WindowOrder::Loss loss) {
                                              if (loss == platform::WindowOrder::Loss::Destroyed)
                                                  renewWindow(lost);
                                              else if (lost == this)
                                                  retakeGrabs();
                                          });
}

void Form1::retakeGrabs() {
    if (!locked_)
        return;
    keyboardHeld_ = pointerHeld_ = false;
    grabAttempts_ = 0;
    grabRetry_->setInterval(kGrabRetryInterval);
    takeGrabs();
    if (!holdsGrabs())
        grabRetry_->start();
}

void Form1::renewWindow(QWidget* window) {
    // Another program destroyed the window, and X dropped its grabs with it. A new
    // window takes its place at once and takes everything back.
    if (!locked_ || !window || (window != this && !covers_.values().contains(window)))
        return;
    renewing_ = true;
    window->hide();
    if (QWindow* handle = window->windowHandle())
        handle->destroy();
    // Watched from the moment it exists, before it is mapped: a program that destroys
    // windows in a loop must not find one that nobody watches.
    watch(window);
    window->show();
    renewing_ = false;
    if (window == this) {
        activateWindow();
        Text1->setFocus();
        retakeGrabs();
    }
}

void Form1::removeCover(QScreen* screen) {
    LockCover* cover = covers_.take(screen);
    if (!cover)
        return;
    platform::windowOrder().unwatch(cover);
    cover->hide();
    cover->deleteLater();
}

void Form1::endLock() {
    if (!locked_)
        return;
    locked_ = false;
    Timer1->stop();
    grabRetry_->stop();
    disconnect(qGuiApp, &QGuiApplication::screenAdded, this, &Form1::followScreen);
    for (QScreen* screen : QGuiApplication::screens())
        disconnect(screen, &QScreen::geometryChanged, this, &Form1::fitScreens);
    disconnect(qGuiApp, &QGuiApplication::screenRemoved, this, &Form1::removeCover);
    platform::WindowOrder& order = platform::windowOrder();
    for (QWidget* window : lockWindows())
        order.unwatch(window);
    order.releaseGrabs(this);
    keyboardHeld_ = pointerHeld_ = false;
    for (LockCover* cover : std::as_const(covers_)) {
        cover->hide();
        cover->deleteLater();
    }
    covers_.clear();
}

QList<QWidget*> Form1::lockWindows() const {
    QList<QWidget*> windows{const_cast<Form1*>(this)};
    for (LockCover* cover : covers_)
        windows.append(cover);
    return windows;
}

void Form1::Timer2_Timer() {
    platform::WindowOrder& order = platform::windowOrder();
    // Nothing stacked anew since the last tick and the keys still here, as nearly always
    // while locked: nothing to do. (A change is answered as it is reported; this tick
    // is the backstop. X drops a grab only with its window's mapping, a change too.)
    if (!order.stackChanged() && isActiveWindow())
        return;
    for (QWidget* window : lockWindows()) {
        if (!order.isOnTop(window))
            order.raise(window);
    }
    // The keys follow the focus into this program's other windows (a dialog left open,
    // a message box that comes up while locked), so the lock window takes it back.
    if (!isActiveWindow())
        activateWindow();
    // Held grabs are kept (taking them again is harmless); lost ones are taken back.
    if (++ticksSinceGrabCheck_ < kGrabCheckTicks)
        return;
    ticksSinceGrabCheck_ = 0;
    keyboardHeld_ = pointerHeld_ = false;
    order.grabInput(this, keyboardHeld_, pointerHeld_);
    if (!holdsGrabs() && !grabRetry_->isActive())
        grabRetry_->start();
}
