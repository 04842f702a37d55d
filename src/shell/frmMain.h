#pragma once
// The hidden main window: the program's start-up object and the owner of the tray
// icon's callback target `picTray` and the version label `lblVersion`.

#include <QLabel>
#include <QWidget>

class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain();

    QWidget* picTray;
    QLabel* lblVersion; // "Version 1.0.0", the running version the update check compares
};
