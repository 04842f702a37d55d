#include "shell/x11/program_icon.h"

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/shell/icons/veltrane-%1.png").arg(size), QSize(size, size));
    return icon;
}
