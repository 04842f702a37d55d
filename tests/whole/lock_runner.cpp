// Test helper: the lock screen without the rest of the program. Pops the tray menu up at
// (200, 200) (or, with --now, locks at once) with FOLDER as the program folder, and
// prints "unlocked" when the lock window goes.
//   lock_runner FOLDER [--now]

#include "lock/Form1.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMenu.h"
#include "shell/menu_commands.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2)
        return 2;
    setProgramFolder(QFile::encodeName(QString::fromLocal8Bit(argv[1])).toStdString());
    frmMenu menu;
    if (argc > 2 && QByteArray(argv[2]) == "--now")
        QTimer::singleShot(0, [] { mnuShowMe_Click(); });
    else
        QTimer::singleShot(0, [&menu] { menu.mFile->popup(QPoint(200, 200)); });
    bool wasLocked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&wasLocked] {
        const bool locked = platform::formSlot<Form1>().isLoaded();
        if (wasLocked && !locked) {
            std::puts("unlocked");
            std::fflush(stdout);
        } else if (!wasLocked && locked) {
            std::puts("locked");
            std::fflush(stdout);
        }
        wasLocked = locked;
    });
    watch.start(250);
    return app.exec();
}
