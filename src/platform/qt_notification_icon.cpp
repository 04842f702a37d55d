#include "platform/qt_notification_icon.h"

#include "platform/ansi_text.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {
constexpr int kReleaseCheckMs = 15;
constexpr int kReleaseChecks = 2000; // 30 s of holding the button, then the press is dropped
} // namespace

QtNotificationIcon::QtNotificationIcon() {
    releaseWait_.setSingleShot(true);
    releaseWait_.setInterval(kReleaseCheckMs);
    connect(&releaseWait_, &QTimer::timeout, this, &QtNotificationIcon::checkRightButtonReleased);
}

QtNotificationIcon::~QtNotificationIcon() {
    delete icon_;
}

bool QtNotificationIcon::shellNotifyIcon(uint32_t operation, const NOTIFYICONDATA& data) {
    switch (operation) {
    case NIM_ADD:
        if (icon_)
            return false;
        icon_ = new QSystemTrayIcon(this);
        connect(icon_, &QSystemTrayIcon::activated, this, &QtNotificationIcon::onActivated);
        apply(data);
        // Shown also without a tray host: Qt watches the tray selection and embeds the
        // icon as soon as a host appears (no polling on our side).
        icon_->show();
        return true;
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
}

void QtNotificationIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (!(record_.uFlags & NIF_MESSAGE))
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        deliverNotifyIconMessage(record_, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        deliverNotifyIconMessage(record_, WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::MiddleClick:
        deliverNotifyIconMessage(record_, WM_MBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        // Reported at the press on an XEmbed tray; at the release (or later) elsewhere.
        releaseChecksLeft_ = kReleaseChecks;
        checkRightButtonReleased();
        break;
    default:
        break;
    }
}

void QtNotificationIcon::checkRightButtonReleased() {
    if (!icon_)
        return;
    if (!(QGuiApplication::mouseButtons() & Qt::RightButton)) {
        // A release away from the icon is no click on it. (Where the tray host does not
        // tell where the icon is, it reports only clicks on it.)
        const QRect area = icon_->geometry();
        if (area.isEmpty() || area.contains(QCursor::pos()))
            deliverNotifyIconMessage(record_, WM_RBUTTONUP);
        return;
    }
    if (--releaseChecksLeft_ > 0)
        releaseWait_.start();
}

} // namespace platform
