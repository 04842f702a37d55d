#include "shell/x11/session_check.h"

#include "lock/linux/lock_protocol.h"
#include "lock/wayland/lock_probe.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "platform/x11/x11_session.h"

#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
// A compositor that answers at all does so within milliseconds.
constexpr int kProbeMs = 3000;
} // namespace

std::optional<std::string> sessionLockRefusal() {
    if (!platform::waylandSession())
        return std::nullopt;
    static const waylock::LockSupport support = waylock::probeSessionLock(nullptr, kProbeMs);
    switch (support) {
    case waylock::LockSupport::Offered:
        return std::nullopt;
    case waylock::LockSupport::Missing:
        return lockproto::kNoSecureLock;
    case waylock::LockSupport::NoCompositor:
        break;
    }
    return lockproto::kNoCompositor;
}

QString sessionRefusalText(const std::string& why) {
    QString text = QString::fromStdString(why);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return QStringLiteral("Veltrane cannot lock this desktop.\n\n%1.").arg(text);
}

void warnWhenNoNotificationArea(int delayMs) {
    QTimer::singleShot(delayMs, [] {
        platform::continueOnError([] {
            if (QSystemTrayIcon::isSystemTrayAvailable())
                return;
            auto* box = new QMessageBox(
                QMessageBox::Warning, QStringLiteral("Veltrane"),
                QStringLiteral("Veltrane needs a notification area (system tray) to show its "
                               "icon, and this desktop has none running.\n\nVeltrane keeps "
                               "running: its icon appears as soon as a notification area "
                               "starts (a panel with a system tray, trayer or stalonetray). "
                               "Meanwhile appVTR --lock locks the desktop."));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setObjectName(QStringLiteral("noNotificationArea"));
            box->show();
        });
    });
}
