#include "shell/x11/frmMenu.h"

#include "shell/menu_commands.h"

namespace {

QAction* addCommand(QMenu* menu, const char* name, const QString& caption, void (*command)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    // Queued: the command runs once the pop-up's own event loop has ended, so a command
    // that opens a window leaves the tray icon free to pop the menu up again.
    QObject::connect(
        action, &QAction::triggered, action,
        [command] {
            if (!desktopLocked())
                command();
        },
        Qt::QueuedConnection);
    return action;
}

QMenu* addSubmenu(QMenu* menu, const char* name, const QString& caption) {
    QMenu* submenu = menu->addMenu(caption);
    submenu->setObjectName(QLatin1String(name));
    return submenu;
}

} // namespace

frmMenu::frmMenu() {
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QStringLiteral("Menu"));
    mFile = new QMenu(QStringLiteral("Action"), this);
    mFile->setObjectName(QStringLiteral("mFile"));

    mMenu = mFile->addAction(QStringLiteral("Menu"));
    mMenu->setObjectName(QStringLiteral("mMenu"));
    mMenu->setEnabled(false);
    mFile->addSeparator();
    mnuShowMe = addCommand(mFile, "mnuShowMe", QStringLiteral("Lock Desktop"), mnuShowMe_Click);
    mFile->addSeparator();
    mPassword = addSubmenu(mFile, "mPassword", QStringLiteral("Password"));
    mNew = addCommand(mPassword, "mNew", QStringLiteral("New"), mNew_Click);
    mModify = addCommand(mPassword, "mModify", QStringLiteral("Modify"), mModify_Click);
    mForgot = addCommand(mPassword, "mForgot", QStringLiteral("Forgot"), mForgot_Click);
    mFile->addSeparator();
    mHelp = addSubmenu(mFile, "mHelp", QStringLiteral("Help"));
    mContents = addCommand(mHelp, "mContents", QStringLiteral("Contents..."), mContents_Click);
    mHelp->addSeparator();
    mUpdate = addCommand(mHelp, "mUpdate", QStringLiteral("Check for update..."), mUpdate_Click);
    mHelp->addSeparator();
    mAbout = addCommand(mHelp, "mAbout", QStringLiteral("About Veltrane..."), mAbout_Click);
    mFile->addSeparator();
    mExit = addCommand(mFile, "mExit", QStringLiteral("Quit"), mExit_Click);
}

void frmMenu::setCommandsEnabled(bool on) {
    for (QAction* entry : {mnuShowMe, mPassword->menuAction(), mHelp->menuAction(), mExit})
        entry->setEnabled(on);
}
