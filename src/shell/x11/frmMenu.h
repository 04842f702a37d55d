#pragma once
// The tray menu: a form that is loaded but never shown; its entries under mFile are
// what pops up next to the notification-area icon.

#include <QAction>
#include <QMenu>
#include <QWidget>

class frmMenu : public QWidget {
    Q_OBJECT
public:
    frmMenu();
    // Off while the desktop is locked: a panel that draws the menu itself then shows
    // every command greyed (the commands refuse to run then in any case).
    void setCommandsEnabled(bool on);

    QMenu* mFile;       // "Action": the pop-up
    QAction* mMenu;     // "Menu", a greyed title with no command
    QAction* mnuShowMe; // "Lock Desktop"
    QMenu* mPassword;
    QAction* mNew;
    QAction* mModify;
    QAction* mForgot;
    QMenu* mHelp;
    QAction* mContents;
    QAction* mUpdate;
    QAction* mAbout;
    QAction* mExit;
};
