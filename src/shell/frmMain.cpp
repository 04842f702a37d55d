#include "shell/frmMain.h"

frmMain::frmMain() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Veltrane"));
    picTray = new QWidget(this);
    picTray->setObjectName(QStringLiteral("picTray"));
    picTray->setGeometry(0, 0, 32, 32);
    lblVersion = new QLabel(QStringLiteral("Version 1.0.0"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->move(0, 40);
}
