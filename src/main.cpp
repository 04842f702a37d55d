// appVTR: Veltrane, a notification-area program that locks the desktop behind a password.

#include "platform/program_folder.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramFolder(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return 0;
}
