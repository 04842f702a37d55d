#include "platform/x11/qt_notification_icon.h"

#include "platform/x11/ansi_text.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

namespace platform {

namespace {
constexpr int kReleaseCheckMs = 15;
constexpr int kReleaseChecks = 2000; // 30 s of holding the button, then the press is dropped
constexpr int kBusAnswerMs = 2000;
} // namespace

bool statusNotifierHostRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask.setArguments({QStringLiteral("org.kde.StatusNotifierWatcher"),
                      QStringLiteral("IsStatusNotifierHostRegistered")});
    const QDBusMessage reply = bus.call(ask, QDBus::Block, kBusAnswerMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

QtNotificationIcon::QtNotificationIcon() {
    releaseWait_.setSingleShot(true);
    releaseWait_.setInterval(kReleaseCheckMs);
    connect(&releaseWait_, &QTimer::timeout, this, &QtNotificationIcon::checkButtonReleased);
}

QtNotificationIcon::~QtNotificationIcon() {
    delete icon_;
}

bool QtNotificationIcon::shellNotifyIcon(uint32_t operation, const NOTIFYICONDATA& data) {
    switch (operation) {
    case NIM_ADD: {
        if (icon_)
            return false;
        // Qt hosts every icon of the process as a status-notifier item when such a host
        // runs as it makes the first one, else embeds it; asked right before, the same
        // question gives the same answer. An embedded icon keeps no menu of Qt's, which
        // would open at the button's press.
        static const bool statusNotifier = statusNotifierHostRunning();
        statusNotifier_ = statusNotifier;
        icon_ = new QSystemTrayIcon(this);
        connect(icon_, &QSystemTrayIcon::activated, this, &QtNotificationIcon::onActivated);
        apply(data);
        // Shown also without a tray host: Qt watches the tray selection and embeds the
        // icon as soon as a host appears (no polling on our side).
        icon_->show();
        return true;
    }
    case NIM_MODIFY:
        if (!icon_)
            return false;
        apply(data);
        return true;
    case NIM_DELETE:
        if (!icon_)
            return false;
        releaseWait_.stop();
        icon_->hide();
        // The removal may come from inside the icon's own signal.
        icon_->deleteLater();
        icon_ = nullptr;
        return true;
    default:
        return false;
    }
}

void QtNotificationIcon::apply(const NOTIFYICONDATA& data) {
    record_ = data;
    if (data.uFlags & NIF_ICON)
        icon_->setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon_->setToolTip(fromAnsi(data.tip()));
    if (statusNotifier_ && data.hMenu && icon_->contextMenu() != data.hMenu)
        icon_->setContextMenu(data.hMenu);
}

void QtNotificationIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (!(record_.uFlags & NIF_MESSAGE))
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        waitForRelease(Qt::LeftButton, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        deliverNotifyIconMessage(record_, WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::MiddleClick:
        deliverNotifyIconMessage(record_, WM_MBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        // Reported at the press on an XEmbed tray; at the release (or later) elsewhere.
        waitForRelease(Qt::RightButton, WM_RBUTTONUP);
        break;
    default:
        break;
    }
}

void QtNotificationIcon::waitForRelease(Qt::MouseButton button, uint32_t message) {
    heldButton_ = button;
    releaseMessage_ = message;
    releaseChecksLeft_ = kReleaseChecks;
    checkButtonReleased();
}

void QtNotificationIcon::checkButtonReleased() {
    if (!icon_)
        return;
    if (!(QGuiApplication::mouseButtons() & heldButton_)) {
        // A release away from the icon is no click on it. (Where the tray host does not
        // tell where the icon is, it reports only clicks on it.)
        const QRect area = icon_->geometry();
        if (area.isEmpty() || area.contains(QCursor::pos()))
            deliverNotifyIconMessage(record_, releaseMessage_);
        return;
    }
    if (--releaseChecksLeft_ > 0)
        releaseWait_.start();
}

} // namespace platform
