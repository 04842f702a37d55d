#include "lock/wayland/wayland_lock.h"

#include "lock/linux/lock_protocol.h"
#include "lock/linux/lock_screen.h"
#include "lock/linux/lock_state.h"
#include "lock/lock_blur.h"
#include "lock/wayland/lock_keys.h"
#include "lock/wayland/output_capture.h"
#include "lock/wayland/output_face.h"
#include "lock/wayland/session_lock.h"
#include "lock/wayland/wayland_connection.h"
#include "shell/x11/session_check.h"
#include "store/mdlGlobal.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>
#include <map>

namespace {

using waylock::Connection;
using waylock::Output;
using waylock::SessionLock;

// A compositor that answers at all does so within milliseconds; the copies of the
// outputs take a frame or two.
constexpr int kConnectMs = 3000;
constexpr int kCaptureMs = 2000;
constexpr int kUnlockMs = 3000;
constexpr int kGuardRetryMs = 1000;
constexpr int kShownWaitMs = 1000;

const char* const kRefusedBox =
    "The desktop could not be locked: the compositor refused the lock. Another screen "
    "locker may be holding the session.";
const char* const kEndedBox = "The compositor ended Veltrane's lock: the desktop is no longer "
                              "locked.";

class WaylandLock : public QObject, private ScreenLock {
public:
    WaylandLock(std::unique_ptr<Connection> connection, LockStart start,
                std::map<uint32_t, QImage> pictures);
    void lock();

private:
    void giveBack() override;
    bool capsLockOn() const override { return keys_.capsLockOn(); }
    void draw(QImage& target, const Output& output, const QRegion& clip);
    waylock::OutputFace& faceOf(const Output& output);
    void reportHeld();
    void Timer1_Timer();
    void showPanels();
    void finished();
    void fail(const QString& why, const char* box);

    std::unique_ptr<Connection> connection_;
    LockStart start_;
    waylock::LockKeys keys_;
    LockScreen screen_;
    std::map<uint32_t, QImage> pictures_; // by the output's global name
    std::map<const Output*, std::unique_ptr<waylock::OutputFace>> faces_;
    SessionLock session_;
    QTimer* Timer1; // the banner's steps
};

// The lock under way; it deletes itself once over.
WaylandLock* current = nullptr;

WaylandLock::WaylandLock(std::unique_ptr<Connection> connection, LockStart start,
                         std::map<uint32_t, QImage> pictures)
    : connection_(std::move(connection)), start_(start), screen_(*this, mdlGlobal::strLockPassword),
      pictures_(std::move(pictures)),
      session_(
          *connection_,
          [this](QImage& target, const Output& output, const QRegion& clip) {
              draw(target, output, clip);
          },
          keys_),
      Timer1(new QTimer(this)) {
    Timer1->setInterval(lockgeo::kBannerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &WaylandLock::Timer1_Timer);
    connect(&keys_, &waylock::LockKeys::typed, &screen_, &LockScreen::keyDown);
    connect(&keys_, &waylock::LockKeys::capsLockChanged, &screen_, &LockScreen::capsLockChanged);
    connect(&screen_, &LockScreen::panelChanged, this, &WaylandLock::showPanels);
    session_.onClick = [this](const Output& output, QPointF at) {
        const auto face = faces_.find(&output);
        // The panel keeps its clicks, as on X11; the picture and the banner check.
        if (face != faces_.end() && !face->second->panel().contains(at.toPoint()))
            QTimer::singleShot(0, &screen_, &LockScreen::click);
    };
    // From the event loop, as is all that the compositor's events lead to: its dispatch is
    // not to be waited in (a box, an unlock).
    connect(
        &session_, &SessionLock::locked, this,
        [this] {
            Timer1->start();
            reportHeld();
            // An output that shows nothing (turned off) draws no frame: it covers nothing
            // either, and the compositor holds the input already.
            QTimer::singleShot(kShownWaitMs, &screen_, &LockScreen::held);
        },
        Qt::QueuedConnection);
    connect(&session_, &SessionLock::surfaceShown, this, &WaylandLock::reportHeld,
            Qt::QueuedConnection);
    connect(&session_, &SessionLock::finished, this, &WaylandLock::finished, Qt::QueuedConnection);
    connect(&session_, &SessionLock::connectionLost, this, &WaylandLock::finished,
            Qt::QueuedConnection);
    connect(connection_.get(), &Connection::outputRemoved, this,
            [this](Output* output) { faces_.erase(output); });
}

void WaylandLock::lock() {
    if (!session_.lock())
        fail(QStringLiteral("the compositor did not take the lock request"), kRefusedBox);
}

void WaylandLock::draw(QImage& target, const Output& output, const QRegion& clip) {
    QPainter painter(&target);
    faceOf(output).paint(painter, target.deviceIndependentSize().toSize(),
                         target.devicePixelRatio(), clip);
}

waylock::OutputFace& WaylandLock::faceOf(const Output& output) {
    std::unique_ptr<waylock::OutputFace>& face = faces_[&output];
    if (!face) {
        const auto picture = pictures_.find(output.globalName);
        face = std::make_unique<waylock::OutputFace>(
            screen_, picture != pictures_.end() ? picture->second : QImage());
    }
    return *face;
}

void WaylandLock::reportHeld() {
    // Locked, and every output shows the lock: keys typed now reach it.
    if (session_.state() != SessionLock::State::Locked)
        return;
    for (const auto& surface : session_.surfaces())
        if (!surface->shown())
            return;
    screen_.held();
}

void WaylandLock::Timer1_Timer() {
    for (const auto& [output, face] : faces_)
        session_.update(*output, face->step());
}

void WaylandLock::showPanels() {
    for (const auto& [output, face] : faces_)
        session_.update(*output, face->panel());
}

void WaylandLock::finished() {
    switch (session_.state()) {
    case SessionLock::State::Refused:
        fail(QStringLiteral("the compositor refused the lock (another screen locker may hold "
                            "the session)"),
             kRefusedBox);
        break;
    case SessionLock::State::Ended:
        fail(QStringLiteral("the compositor ended the lock"), kEndedBox);
        break;
    case SessionLock::State::Lost:
        fail(QStringLiteral("the compositor went away"), kEndedBox);
        break;
    default:
        break;
    }
}

void WaylandLock::fail(const QString& why, const char* box) {
    Timer1->stop();
    if (current == this)
        current = nullptr;
    deleteLater();
    if (start_ == LockStart::Guard) {
        // The session stays with the compositor meanwhile; a lock that holds is all that
        // can open it again.
        screen_.discard();
        QTimer::singleShot(kGuardRetryMs, qApp, [] { startWaylandLock(LockStart::Guard); });
        return;
    }
    screen_.fail(why, QString::fromLatin1(box)); // its box lets events run: last
}

void WaylandLock::giveBack() {
    Timer1->stop();
    session_.unlock(kUnlockMs);
    if (current == this)
        current = nullptr;
    deleteLater();
}

} // namespace

void startWaylandLock(LockStart start) {
    if (current)
        return;
    auto connection = Connection::open(nullptr, kConnectMs);
    if (!connection || !connection->sessionLockManager()) {
        const std::string why = connection ? lockproto::kNoSecureLock : lockproto::kNoCompositor;
        if (start == LockStart::Guard) // with no compositor there is no session to guard
            lockState().refuse(QString::fromStdString(why));
        else
            refuseLock(QString::fromStdString(why), sessionRefusalText(why));
        return;
    }
    std::map<uint32_t, QImage> pictures;
    if (start == LockStart::Command)
        pictures = waylock::captureOutputs(*connection, kCaptureMs);
    // As on X11: no text of the desktop can be read at the lock.
    for (const auto& output : connection->outputs()) {
        const auto picture = pictures.find(output->globalName);
        if (picture == pictures.end())
            continue;
        if (picture->second.depth() != 32)
            picture->second = picture->second.convertToFormat(QImage::Format_RGB32);
        blurLockPicture(reinterpret_cast<uint32_t*>(picture->second.bits()),
                        picture->second.width(), picture->second.height(),
                        picture->second.bytesPerLine() / 4, output->scale);
    }
    current = new WaylandLock(std::move(connection), start, std::move(pictures));
    current->lock();
}
