#pragma once
// The program's notification-area icon: adds it, removes it, changes its picture or
// tooltip. It keeps one notification record for its whole life, so a field that an
// operation does not set keeps what an earlier operation put there. Every operation
// makes at most one call to the notification-icon service and ignores its answer.

#include "platform/x11/notification_icon.h"

#include <QIcon>
#include <QString>
#include <QWidget>

class clsTray {
public:
    // True from ShowIcon until the next RemoveIcon, whatever the desktop answered.
    bool bRunningInTray() const { return running_; }
    // Adds the icon with the main window's icon and caption; `sysTrayForm` gets the
    // icon's mouse messages.
    void ShowIcon(QWidget* sysTrayForm);
    void RemoveIcon(QWidget* sysTrayForm);
    // Both do nothing while the icon is not shown.
    void ChangeIcon(QWidget* sysTrayForm, const QIcon& icon);
    void ChangeToolTip(QWidget* sysTrayForm, const QString& strNewTip);

    const platform::NOTIFYICONDATA& record() const { return nid_; }

private:
    void setTarget(QWidget* sysTrayForm);
    void setTip(const QString& text);

    bool running_ = false;
    platform::NOTIFYICONDATA nid_;
};
