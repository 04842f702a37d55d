#include "shell/x11/session_check.h"

#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "platform/x11/x11_session.h"

#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

std::optional<std::string> sessionLockRefusal() {
    // X grabs hold the keyboard and mouse of X11 programs only.
    if (platform::waylandSession())
        return "this is a Wayland session, and Veltrane's lock holds the input of X11 "
               "programs only (use the desktop's own lock, loginctl lock-session)";
    return std::nullopt;
}

bool lockRefusedInThisSession() {
    if (!sessionLockRefusal())
        return false;
    platform::continueOnError([] {
        platform::forms().msgBox(
            QStringLiteral("Veltrane cannot lock a Wayland session.\n\nIts lock holds the "
                           "keyboard and mouse of X11 programs only, so other programs would "
                           "still see the screen and take input. Use your desktop's own lock "
                           "(for example loginctl lock-session), or log in to an X11 session."),
            platform::vbCritical, QStringLiteral("Veltrane"));
    });
    return true;
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
