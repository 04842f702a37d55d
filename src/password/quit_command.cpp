#include "shell/menu_commands.h"

#include <QCoreApplication>

void mExit_Click() {
    QCoreApplication::quit();
}
