// Drives the upgrade window's transfer path for bench/update_bench.sh:
//   update_bench_driver download <base address> <folder> <public key, Base64>
//       downloads the release from <base> into <folder>, proves its signature (<name>.sig
//       beside it) and prints "seconds-until-proven seconds-of-the-proof-alone bytes",
//       from the moment the window issues its request
//   update_bench_driver cancel <base address> <folder> <bytes>
//       clicks Cancel once <bytes> have arrived and prints the milliseconds from the
//       click until the program ended, and whether the partial file is gone
// Message boxes answer OK at once; the release is never put in place.

#include "platform/program_folder.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/qt_forms_services.h"
#include "platform/x11/transfer_control.h"
#include "update/update_decisions.h"
#include "update/x11/frmUpdate.h"
#include "update/x11/portable_upgrade.h"
#include "update/x11/signature_check.h"
#include "update/x11/update_settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

// OK to every box; the one that says the download is proven and complete ends the run
// before anything is put in place.
class QuietForms : public platform::QtFormsServices {
public:
    explicit QuietForms(QElapsedTimer& clock) : clock_(clock) {}
    int msgBox(const QString& text, int, const QString&) override {
        if (text.contains(QLatin1String("downloaded successfully"))) {
            provenAt = clock_.nsecsElapsed();
            QCoreApplication::exit(0);
        }
        return platform::vbOK;
    }
    qint64 provenAt = -1;

private:
    QElapsedTimer& clock_;
};

// Starts the clock when the watched button is disabled.
class RequestWatch : public QObject {
public:
    explicit RequestWatch(QElapsedTimer& clock) : clock_(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && !static_cast<QWidget*>(watched)->isEnabled())
            clock_.start();
        return false;
    }

private:
    QElapsedTimer& clock_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: %s download|cancel BASE FOLDER KEY|BYTES\n", argv[0]);
        return 2;
    }
    const bool cancel = args.at(1) == QLatin1String("cancel");
    QElapsedTimer clock;
    QuietForms forms(clock);
    platform::setForms(&forms);
    updateSettings().baseUrl = args.at(2);
    setProgramFolder(QFile::encodeName(args.at(3)).toStdString());
    // The window paints during its opening pause, as in the program, and the clock starts
    // at the request after it, so a shorter pause does; Cancel keeps its pause.
    if (!cancel) {
        updateSettings().pauseMs = 200;
        updateSettings().publicKey = args.at(4).toStdString();
    }
    const QString local = args.at(3) + QLatin1Char('/') + QLatin1String(kPortableUpgradeFileName);

    auto* window = new frmUpdate; // issues the request once the event loop runs
    window->show();
    // Timed from the request on, as curl's figure is: the window disables its own Update
    // command once the request is issued.
    RequestWatch watch(clock);
    window->cmdUpdate->installEventFilter(&watch);
    // A failed run would wait for Cancel forever.
    QTimer::singleShot(120000, [] { QCoreApplication::exit(1); });
    qint64 clickedAt = -1;
    if (cancel) {
        const qint64 cancelAt = args.at(4).toLongLong();
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
    else {
        // What the proof adds, timed alone: fetching the signature, then the file's SHA-256
        // and one signature check.
        QElapsedTimer proof;
        proof.start();
        platform::openUrl(
            updateFileUrl(QLatin1String(kPortableUpgradeFileName) + QLatin1String(".sig")),
            updateSettings().fetchTimeoutMs, kMaxSignatureBytes);
        opensslSignatureCheck(QFile::encodeName(local).toStdString(), RawSignature{},
                              publicPoint(updateSettings().publicKey).value_or(PublicPoint{}));
        std::printf("%.4f %.4f %lld\n", forms.provenAt / 1e9, proof.nsecsElapsed() / 1e9,
                    static_cast<long long>(QFileInfo(local).size()));
    }
    delete window;
    return 0;
}
