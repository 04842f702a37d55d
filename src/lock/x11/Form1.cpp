#include "lock/x11/Form1.h"

#include "lock/linux/lock_painting.h"
#include "lock/x11/lock_cover.h"
#include "lock/x11/lock_picture.h"
#include "lock/x11/lock_text_box.h"
#include "lock/x11/lock_window_flags.h"
#include "lock/x11/panel_lines.h"
#include "lock/x11/window_order.h"
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

// Stay in front is a backstop to the covered-window reports, so it can be unhurried: it
// rides on every other banner step, which spares it a wake-up of its own.
constexpr int kBannerStepsPerStayInFront = 2;

// The screen's face: the panel's and the banner's sizes as the widgets hold them, in
// whole pixels.
lockgeo::LockFace faceOf(const platform::ScreenTwips& screen) {
    const double x = screen.twipsPerPixelX, y = screen.twipsPerPixelY;
    return lockgeo::LockFace(
        {screen.width, screen.height}, x, {lockpaint::kPanelWidth * x, lockpaint::kPanelHeight * y},
        {pixelsX(lockgeo::kBannerWidth) * x, pixelsY(lockgeo::kBannerHeight) * y});
}

} // namespace

Form1::Form1() : Form1(Ahead{}) {
    Form_Load();
}

Form1::Form1(Ahead)
    : QWidget(nullptr, lockWindowFlags()), face_(faceOf(platform::forms().screen())) {
    setObjectName(QStringLiteral("Form1"));

    // The controls as designed, back to front: snapshot, banner, panel (the box comes
    // with the set-up, which has the password it shows).
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    auto* picture = new FrozenPicture(this);
    Image1 = picture;
    picture_ = picture;
    Label1 = banner_ = new LockBanner(this);
    Label1->setFont(lockpaint::bannerFont());
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, lockpaint::kBannerInk);
    Label1->setPalette(navy);
    Label1->resize(pixelsX(lockgeo::kBannerWidth), pixelsY(lockgeo::kBannerHeight));
    Label1->hide();
    Picture2 = panel_ = new LockPanel(this, picture);
    Timer1 = new QTimer(this);
    Timer1->setInterval(lockgeo::kBannerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1_Timer();
        if (++stepsSinceStayInFront_ >= kBannerStepsPerStayInFront) {
            stepsSinceStayInFront_ = 0;
            Timer2_Timer();
        }
    });
    grabRetry_ = new QTimer(this);
    connect(grabRetry_, &QTimer::timeout, this, &Form1::takeGrabs);
    Label1->installEventFilter(this);
    Picture2->installEventFilter(this);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->move(0, 0);
    homeScreen_ = QGuiApplication::primaryScreen();
    fitToScreen();
    // Its windows, made now but never mapped before the set-up.
    picture->prepare();
    panel_->prepare();
}

void Form1::Form_Load() {
    if (screen_)
        return;
    ScreenLock& cover = *this;
    screen_ = std::make_unique<LockScreen>(cover, mdlGlobal::strLockPassword);
    const platform::ScreenTwips screen = platform::forms().screen();
    face_ = faceOf(screen);
    // The panel's artwork draws the box's frame.
    const lockpaint::PanelLayout layout =
        lockpaint::panelLayout(screen.twipsPerPixelX, screen.twipsPerPixelY);
    Text1 = new LockTextBox(Picture2, screen_->box());
    Text1->setGeometry(layout.box);
    lines_ = new PanelLines(Picture2, *screen_);
    lines_->setGeometry(layout.lines);
    connect(screen_.get(), &LockScreen::panelChanged, this, [this] {
        Text1->update();
        lines_->update();
    });
    connect(this, &Form1::lockHeld, screen_.get(), &LockScreen::held);

    // The set-up, in order.
    QCoreApplication::setApplicationName(QStringLiteral("Veltrane"));
    Label1->setText(QString::fromStdString(face_.caption()));
    setWindowTitle(QString());
    hide();
    Text1->installEventFilter(this); // key preview: the form sees each key first
    homeScreen_ = QGuiApplication::primaryScreen();
    fitToScreen();
    // The keyboard and the pointer first: the X server answers at once, before it has the
    // picture to make.
    if (!holdInput())
        return;
    // Our own menu has just closed: let its going be drawn before the copy.
    platform::forms().doEvents();
    snapshot_ = platform::screenCapture().grabDesktop();
    const QSize copied(
        static_cast<int>(lockgeo::captureExtent(screen.width, screen.twipsPerPixelX)),
        static_cast<int>(lockgeo::captureExtent(screen.height, screen.twipsPerPixelY)));
    Image1->resize(copied);
    picture_->setSnapshot(snapshot_);
    // Drawn while the X server enlarges the picture.
    const bool panelDrawnAhead = panel_->showDrawnAhead();
    show();
    startLock();
    if (panelDrawnAhead) {
        // Mapping the window has the X server draw all of it from the windows'
        // backgrounds; the grabs asked for again now are answered only after that.
        painted_ = true;
        Q_EMIT shownOnScreen();
        retakeGrabs();
    }
    // It comes in from beyond the right edge: its first step shows it.
    Label1->move(pixelsX(face_.banner().left), Label1->y());
    // The banner's timer also keeps the window in front: started only now that the window
    // is shown, it never shows the window before the snapshot is taken.
    Timer1->start();
    Text1->setFocus();
}

Form1::~Form1() {
    endLock();
}

// The window over its screen, the panel in its middle and the banner on its line.
void Form1::fitToScreen() {
    const platform::ScreenTwips screen = platform::forms().screen();
    const QPoint origin = homeScreen_ ? homeScreen_->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin, QSize(pixelsX(screen.width), pixelsY(screen.height))));
    face_.fit({screen.width, screen.height});
    Picture2->move(pixelsX(face_.panel().left), pixelsY(face_.panel().top));
    Label1->move(Label1->x(), pixelsY(face_.banner().top));
}

void Form1::Form_Click() {
    if (screen_)
        screen_->click();
}

void Form1::Form_KeyDown(const QKeyEvent& event) {
    if (screen_)
        screen_->keyDown(lockBoxKey(event), event.text().toStdString());
}

void Form1::giveBack() {
    endLock();
    if (platform::formSlot<Form1>().loaded() == this)
        platform::formSlot<Form1>().unload();
    else
        platform::unloadForm(this);
}

bool Form1::capsLockOn() const {
    return locked_ && platform::windowOrder().capsLockOn();
}

void Form1::Label1_Click() {
    Form_Click();
}

void Form1::Timer1_Timer() {
    screen_->capsLockChanged(); // should it change without a key reaching the lock
    face_.step();
    Label1->setText(QString::fromStdString(face_.caption()));
    placeBanner();
}

void Form1::placeBanner() {
    Label1->move(pixelsX(face_.banner().left), Label1->y());
    // Moved by the X server where it can: the program then repaints nothing at a step.
    if (Label1->isHidden() &&
        picture_->showOver(banner_->caption(), banner_->palette().color(banner_->foregroundRole()),
                           lockpaint::kBannerOutline,
                           Label1->geometry().translated(-Image1->pos())))
        return;
    Label1->show();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture2 && event->type() == QEvent::Paint && !painted_ && isVisible()) {
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
        screen_->capsLockChanged(); // X reports a Caps Lock change after the key's press
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
    if (screen_)
        screen_->capsLockChanged();
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
