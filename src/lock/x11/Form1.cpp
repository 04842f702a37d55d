#include "lock/x11/Form1.h"

#include "lock/linux/lock_text_box.h"
#include "lock/linux/panel_lines.h"
#include "lock/lock_geometry.h"
#include "lock/x11/lock_cover.h"
#include "lock/x11/lock_picture.h"
#include "lock/x11/lock_window_flags.h"
#include "lock/x11/panel_artwork.h"
#include "lock/x11/window_order.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/twips_geometry.h"
#include "store/mdlGlobal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace {

constexpr double kLabelWidth = 8895, kLabelHeight = 495;
constexpr double kTextLeft = 200, kTextTop = 430, kTextWidth = 3855, kTextHeight = 285;
// The panel's lines sit under the rule of its artwork, in the box's column.
constexpr int kLinesTop = 58, kLinesBottomMargin = 4;
constexpr int kBannerInterval = 75;
// Stay in front is a backstop to the covered-window reports, so it can be unhurried: it
// rides on every other banner step, which spares it a wake-up of its own.
constexpr int kBannerStepsPerStayInFront = 2;
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

Form1::Form1() : QWidget(nullptr, lockWindowFlags()), box_(mdlGlobal::strLockPassword) {
    setObjectName(QStringLiteral("Form1"));
    const platform::ScreenTwips screen = platform::forms().screen();

    // The controls as designed, back to front: snapshot, banner, panel with the box.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    auto* picture = new FrozenPicture(this);
    Image1 = picture;
    picture_ = picture;
    Label1 = banner_ = new LockBanner(this);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(14.25);
    Label1->setFont(verdana);
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);
    Label1->resize(pixelsX(kLabelWidth), pixelsY(kLabelHeight));
    Label1->hide();
    Picture2 = new LockPanel(this, picture);
    // The panel's artwork draws the box's frame.
    Text1 = new LockTextBox(Picture2, box_);
    Text1->setGeometry(pixelsX(kTextLeft), pixelsY(kTextTop), pixelsX(kTextWidth),
                       pixelsY(kTextHeight));
    lines_ = new PanelLines(Picture2);
    lines_->setGeometry(Text1->x(), kLinesTop, Text1->width(),
                        Picture2->height() - kLinesTop - kLinesBottomMargin);
    Timer1 = new QTimer(this);
    Timer1->setInterval(kBannerInterval);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1_Timer();
        if (++stepsSinceStayInFront_ >= kBannerStepsPerStayInFront) {
            stepsSinceStayInFront_ = 0;
            Timer2_Timer();
        }
    });
    grabRetry_ = new QTimer(this);
    grabRetry_->setInterval(kGrabRetryInterval);
    connect(grabRetry_, &QTimer::timeout, this, &Form1::takeGrabs);

    // The set-up, in order.
    QCoreApplication::setApplicationName(QStringLiteral("Veltrane"));
    Label1->setText(QString::fromLatin1(lockgeo::kBannerLocked));
    setWindowTitle(QString());
    hide();
    Text1->installEventFilter(this); // key preview: the form sees each key first
    Label1->installEventFilter(this);
    Picture2->installEventFilter(this);
    homeScreen_ = QGuiApplication::primaryScreen();
    fitToScreen();
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->move(0, 0);
    // Our own menu has just closed: let its going be drawn before the copy.
    platform::forms().doEvents();
    snapshot_ = platform::screenCapture().grabDesktop();
    const QSize copied(
        static_cast<int>(lockgeo::captureExtent(screen.width, screen.twipsPerPixelX)),
        static_cast<int>(lockgeo::captureExtent(screen.height, screen.twipsPerPixelY)));
    Image1->resize(copied);
    picture->setSnapshot(snapshot_);
    if (!holdInput())
        return;
    show();
    startLock();
    bannerLeft_ =
        lockgeo::bannerStart(screen.width, screen.height, Label1->height() * screen.twipsPerPixelY)
            .left;
    // It comes in from beyond the right edge: its first step shows it.
    Label1->move(pixelsX(bannerLeft_), Label1->y());
    // The banner's timer also keeps the window in front: started only now that the window
    // is shown, it never shows the window before the snapshot is taken.
    Timer1->start();
    Text1->setFocus();
}

Form1::~Form1() {
    endLock();
}

// Takes the keyboard and the pointer before anything is shown, waiting a little for
// another program that holds one of them.
bool Form1::holdInput() {
    // A menu of this program would take the grabs with it when it closes. (Closing one
    // closes its parents too; the bound only guards against one that will not close.)
    for (int menus = 0; menus < kMenuDepth && QApplication::activePopupWidget(); ++menus)
        QApplication::activePopupWidget()->close();
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

// The window over its screen, the panel in its middle and the banner on its line.
void Form1::fitToScreen() {
    const platform::ScreenTwips screen = platform::forms().screen();
    const QPoint origin = homeScreen_ ? homeScreen_->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin, QSize(pixelsX(screen.width), pixelsY(screen.height))));
    const lockgeo::TwipsPoint panel = lockgeo::panelPosition(
        screen.width, screen.height, Picture2->width() * screen.twipsPerPixelX,
        Picture2->height() * screen.twipsPerPixelY);
    panelLeft_ = panel.left;
    Picture2->move(pixelsX(panel.left), pixelsY(panel.top));
    Label1->move(Label1->x(), pixelsY(lockgeo::bannerStart(screen.width, screen.height,
                                                           Label1->height() * screen.twipsPerPixelY)
                                          .top));
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
    showCapsLock();
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

void Form1::Form_Click() {
    if (box_.matches())
        unlock();
}

void Form1::Form_KeyDown(const QKeyEvent& event) {
    const LockBox::Answer answer = box_.keyDown(lockBoxKey(event), event.text().toStdString());
    if (answer == LockBox::Answer::Unlock) {
        unlock();
        return;
    }
    if (answer == LockBox::Answer::WrongPassword)
        lines_->showWrongPassword();
    Text1->update();
    showCapsLock();
}

void Form1::unlock() {
    const std::string tries = wrongTriesText(box_.wrongTries());
    endLock();
    Q_EMIT unlocked();
    if (platform::formSlot<Form1>().loaded() == this)
        platform::formSlot<Form1>().unload();
    else
        platform::unloadForm(this);
    // Told once the desktop is back: someone may have tried while the user was away.
    if (!tries.empty())
        QTimer::singleShot(0, qApp, [text = platform::fromAnsi(tries)] {
            platform::forms().msgBox(text, platform::vbInformation, QStringLiteral("Veltrane"));
        });
}

void Form1::showCapsLock() {
    lines_->setCapsLock(locked_ && platform::windowOrder().capsLockOn());
}

void Form1::Label1_Click() {
    Form_Click();
}

void Form1::Timer1_Timer() {
    showCapsLock(); // should it change without a key reaching the lock
    const platform::ScreenTwips screen = platform::forms().screen();
    const lockgeo::BannerState next = lockgeo::bannerStep(
        {Label1->text().toStdString(), bannerLeft_}, Label1->width() * screen.twipsPerPixelX,
        panelLeft_, Picture2->width() * screen.twipsPerPixelX, screen.width, screen.twipsPerPixelX);
    Label1->setText(QString::fromStdString(next.caption));
    bannerLeft_ = next.left;
    placeBanner();
}

void Form1::placeBanner() {
    Label1->move(pixelsX(bannerLeft_), Label1->y());
    // Moved by the X server where it can: the program then repaints nothing at a step.
    if (Label1->isHidden() &&
        picture_->showOver(banner_->caption(), banner_->palette().color(banner_->foregroundRole()),
                           LockBanner::kOutline, Label1->geometry().translated(-Image1->pos())))
        return;
    Label1->show();
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

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture2 && event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // Once this paint has reached the screen. Both grabs are asked for again: held
        // now, after a round trip that had the X server draw everything sent before.
        QMetaObject::invokeMethod(
            this,
            [this] {
                Q_EMIT shownOnScreen();
                retakeGrabs();
            },
            Qt::QueuedConnection);
    }
    // Key preview: the form sees each key first; what it does to the box is the form's.
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        Form_KeyDown(*static_cast<QKeyEvent*>(event));
        return true;
    }
    if (watched == Text1 && event->type() == QEvent::KeyRelease) {
        showCapsLock(); // X reports a Caps Lock change after the key's press
        return true;
    }
    if (watched == Label1) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            Label1_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Keys the box had first were handled on their way to it.
    event->accept();
    Form_KeyDown(*event);
}

void Form1::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    showCapsLock();
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    Form_Click();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (locked_)
        event->ignore(); // only the right password (or Quit's unload) ends the lock
    else
        event->accept();
}

void Form1::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hidden only by unloading (Quit unloads every form): the lock is over.
    if (!event->spontaneous() && !renewing_)
        endLock();
}
