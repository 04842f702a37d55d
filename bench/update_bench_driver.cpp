// Drives the upgrade window's transfer path for bench/update_bench.sh:
//   update_bench_driver download <base address> <folder>
//       downloads <base>VTR_Upgrade.exe into <folder> and prints "seconds bytes"
//   update_bench_driver cancel <base address> <folder> <bytes>
//       clicks Cancel once <bytes> have arrived and prints the milliseconds from the
//       click until the program ended, and whether the partial file is gone
// Message boxes answer OK at once and the installer is not started.

#include "platform/program_folder.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/qt_forms_services.h"
#include "platform/x11/shell.h"
#include "platform/x11/transfer_control.h"
#include "update/x11/frmUpdate.h"
#include "update/x11/update_settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <cstdio>

namespace {

class QuietForms : public platform::QtFormsServices {
public:
    int msgBox(const QString&, int, const QString&) override { return platform::vbOK; }
};

class NoStart : public platform::Shell {
public:
    bool openDocument(const QString&) override { return true; }
    bool startProgram(const QString&) override { return true; }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s download|cancel BASE FOLDER [BYTES]\n", argv[0]);
        return 2;
    }
    const bool cancel = args.at(1) == QLatin1String("cancel");
    QuietForms forms;
    NoStart shell;
    platform::setForms(&forms);
    platform::setShell(&shell);
    updateSettings().baseUrl = args.at(2);
    setProgramFolder(QFile::encodeName(args.at(3)).toStdString());
    // The download is timed without the window's opening pause; Cancel keeps its pause.
    if (!cancel)
        updateSettings().pauseMs = 0;
    const QString local = args.at(3) + QStringLiteral("/VTR_Upgrade.exe");

    auto* window = new frmUpdate; // issues the request once the event loop runs
    window->show();
    QElapsedTimer clock;
    clock.start();
    qint64 clickedAt = -1;
    if (cancel) {
        const qint64 cancelAt = args.value(4).toLongLong();
        QObject::connect(window->Inet1, &platform::Transfer::bodyArrived, window, [&] {
            if (clickedAt < 0 && QFileInfo(local).size() >= cancelAt) {
                clickedAt = clock.nsecsElapsed();
                window->cmdCancel->click();
            }
        });
    }
    app.exec();
    const qint64 endedAt = clock.nsecsElapsed();
    if (cancel)
        std::printf("%.1f %s\n", (endedAt - clickedAt) / 1e6,
                    QFileInfo::exists(local) ? "partial-file-left" : "partial-file-removed");
    else
        std::printf("%.4f %lld\n", endedAt / 1e9, static_cast<long long>(QFileInfo(local).size()));
    delete window;
    return 0;
}
