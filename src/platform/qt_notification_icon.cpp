#include "platform/qt_notification_icon.h"

#include "platform/ansi_text.h"

#include <QGuiApplication>

namespace platform {

namespace {
constexpr int kReleaseCheckMs = 15;
constexpr int kReleaseChecks = 2000; // 30 s of holding the button, then the press is dropped
constexpr int kTrayCheckMs = 500;
constexpr int kTrayChecks = 120; // a tray host that comes within a minute still gets the icon
} // namespace

QtNotificationIcon::QtNotificationIcon() {
    releaseWait_.setSingleShot(true);
    releaseWait_.setInterval(kReleaseCheckMs);
    connect(&releaseWait_, &QTimer::timeout, this, &QtNotificationIcon::checkRightButtonReleased);
    trayWait_.setSingleShot(true);
    trayWait_.setInterval(kTrayCheckMs);
    connect(&trayWait_, &QTimer::timeout, this, &QtNotificationIcon::retryShowWhenTrayAppears);
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
        icon_->show();
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            trayChecksLeft_ = kTrayChecks;
            trayWait_.start();
        }
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
        trayWait_.stop();
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
        deliverNotifyIconMessage(record_, WM_RBUTTONUP);
        return;
    }
    if (--releaseChecksLeft_ > 0)
        releaseWait_.start();
}

void QtNotificationIcon::retryShowWhenTrayAppears() {
    if (!icon_)
        return;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        // Qt may have given up on the icon while no host was there: show it afresh.
        icon_->hide();
        icon_->show();
        return;
    }
    if (--trayChecksLeft_ > 0)
        trayWait_.start();
}

} // namespace platform
