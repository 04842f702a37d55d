// The upgrade window against a real HTTP server on 127.0.0.1: the display while the
// installer arrives, starting it, Cancel, transfers that must never be started, and the
// program's real ending that follows.

#include "platform/x11/forms.h"
#include "platform/x11/transfer_control.h"
#include "shell/x11/frmMain.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"
#include "support/scratch_folder.h"
#include "update/x11/frmUpdate.h"
#include "update/x11/program_end.h"
#include "update_server_fixture.h"

#include <QDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <numeric>

namespace {

const QString kFailed =
    QStringLiteral("The upgrade file could not be downloaded. Please try again later.");
const QString kCompleteMessage = QStringLiteral("The file VTR_Upgrade.exe\r"
                                                "has been downloaded successfully\r"
                                                "click OK to start install");

} // namespace

class TestFrmUpdate : public QObject {
    Q_OBJECT

    frmUpdate& open() { return platform::formSlot<frmUpdate>().get(); }
    bool localFileExists() const { return QFileInfo::exists(local_); }

    std::unique_ptr<UpdateServerFixture> server_;
    std::unique_ptr<ScratchFolder> folder_;
    std::unique_ptr<FakeFormsServices> forms_;
    std::unique_ptr<FakeShell> shell_;
    QString local_;
    int ends_ = 0;

private Q_SLOTS:
    void cleanupTestCase() { server_.reset(); }

    void initTestCase() {
        server_ = std::make_unique<UpdateServerFixture>();
        QVERIFY(server_->isRunning());
        setEndProgram([this] { ++ends_; });
    }

    void init() {
        server_->reset();
        folder_ = std::make_unique<ScratchFolder>();
        forms_ = std::make_unique<FakeFormsServices>();
        shell_ = std::make_unique<FakeShell>();
        local_ = QString::fromStdString(folder_->file("VTR_Upgrade.exe"));
        ends_ = 0;
    }

    void cleanup() {
        platform::formSlot<frmUpdate>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        shell_.reset();
        forms_.reset();
        folder_.reset();
    }

    void completeDownload_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("transferred");
        QTest::newRow("3000 bytes, past 100 on the last chunk")
            << 3000 << QStringLiteral("Download completed... 100%")
            << QStringLiteral("Downloading: 100%")
            << QStringLiteral("Transferring: 2.9296875 KB of 2.9296875 KB");
        QTest::newRow("10240 bytes, exactly 100 on the tenth chunk")
            << 10240 << QStringLiteral("Downloading please wait... 100%")
            << QStringLiteral("100% VTR_Upgrade.exe")
            << QStringLiteral("Transferring: 10 KB of 10 KB");
    }

    void completeDownload() {
        QFETCH(int, size);
        QFETCH(QString, progress);
        QFETCH(QString, title);
        QFETCH(QString, transferred);
        QByteArray installer(size, '\0');
        std::iota(installer.begin(), installer.end(), '\0');
        server_->put(QStringLiteral("VTR_Upgrade.exe"), installer);
        folder_->write("VTR_Upgrade.exe", std::string(200000, 'o')); // an earlier, larger download
        frmUpdate& window = open();

        QTRY_COMPARE(ends_, 1);
        QCOMPARE(shell_->startedPrograms, QStringList{local_});
        QCOMPARE(forms_->shown(), "Veltrane | 64 | " + kCompleteMessage);
        QCOMPARE(window.lblStatus->text(),
                 QStringLiteral("The upgrade file has been downloaded successfully"));
        QCOMPARE(window.lblProgress->text(), progress);
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(window.lblDownload->text(), transferred);
        QCOMPARE(window.ProgressBar1->value(), 100);
        QCOMPARE(window.lblSource->text(),
                 QStringLiteral("Download from: ...... \\ VTR_Upgrade.exe"));
        QFile file(local_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), installer);
        QVERIFY(file.permissions() & QFileDevice::ExeOwner);
        QVERIFY(window.isHidden());
    }

    void startsTheRealInstallerAndEnds() {
        // A stand-in installer, started by the real shell: it leaves a mark beside itself.
        shell_.reset();
        server_->put(QStringLiteral("VTR_Upgrade.exe"),
                     "#!/bin/sh\necho started > \"$(dirname \"$0\")/installer-ran\"\n");
        open();
        QTRY_COMPARE(ends_, 1);
        QTRY_VERIFY(QFileInfo::exists(QString::fromStdString(folder_->file("installer-ran"))));
    }

    void neverStartsABrokenTransfer_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("body shorter than announced") << QStringLiteral("odd/short/30000/");
        QTest::newRow("no Content-length") << QStringLiteral("odd/nolength/3000/");
        QTest::newRow("missing on the server") << QStringLiteral("nowhere/");
        QTest::newRow("stalled after some bytes") << QStringLiteral("odd/stall/30000/5000/");
        QTest::newRow("refused connection") << UpdateServerFixture::refusedAddress();
    }

    void neverStartsABrokenTransfer() {
        QFETCH(QString, folder);
        server_->use(folder);
        updateSettings().downloadInactivityMs = 300;
        frmUpdate& window = open();

        QTRY_COMPARE(window.lblStatus->text(), kFailed);
        QVERIFY(!localFileExists());
        QVERIFY(shell_->startedPrograms.isEmpty());
        QCOMPARE(ends_, 0);
        QVERIFY(forms_->boxes.isEmpty());
        QVERIFY(!window.cmdUpdate->isEnabled());
        // Cancel still closes the window and ends the program.
        QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
        QTRY_COMPARE(ends_, 1);
        QVERIFY(window.isHidden());
    }

    // Cancel ends the program; the title bar's close button leaves it running.
    void stopMidTransferRemovesThePartialFile_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Cancel, slow transfer") << QStringLiteral("odd/slow/400000/") << true;
        QTest::newRow("Cancel, stalled") << QStringLiteral("odd/stall/400000/20480/") << true;
        QTest::newRow("closed, stalled") << QStringLiteral("odd/stall/400000/20480/") << false;
    }

    void stopMidTransferRemovesThePartialFile() {
        QFETCH(QString, folder);
        QFETCH(bool, cancel);
        server_->use(folder);
        frmUpdate& window = open();
        window.show();

        // The display follows the body as it arrives.
        QTRY_VERIFY(window.ProgressBar1->value() >= 3);
        QVERIFY(window.windowTitle().endsWith(QLatin1String("% VTR_Upgrade.exe")));
        QVERIFY(localFileExists());
        QVERIFY(window.Inet1->stillExecuting());

        if (cancel)
            QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
        else
            window.close();
        QTest::qWait(100); // the end comes from a 10 ms pause: within 0.1 s or never
        QTRY_COMPARE(ends_, int(cancel));
        QVERIFY(!localFileExists());
        QVERIFY(!window.Inet1->stillExecuting());
        QVERIFY(window.isHidden());
        QVERIFY(shell_->startedPrograms.isEmpty());
        QVERIFY(forms_->boxes.isEmpty());
    }

    void unusableAddressEndsWithAMessage() {
        server_->use(QStringLiteral("ftp://127.0.0.1/update/"));
        open();
        QTRY_COMPARE(ends_, 1);
        QCOMPARE(forms_->shown(), QStringLiteral("Downloading error | 16 | unable to download the "
                                                 "upgrade file. please try again later."));
        QVERIFY(shell_->startedPrograms.isEmpty());
    }

    // The real ending, last (it ends the thread's event loops): the main window (and with
    // it the tray icon) goes, and every running loop ends, the modal window's and the
    // program's own.
    void realEndingEndsEveryLoopAfterUnloadingTheMainWindow() {
        setEndProgram(nullptr);
        platform::formSlot<frmMain>().get();
        QDialog modal;
        QEventLoop program;
        bool modalReturned = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [] { endProgram(); });
            modal.exec();
            modalReturned = true;
        });
        // Should the ending miss this loop, it ends here with 99 instead.
        QTimer::singleShot(5000, &program, [&program] { program.exit(99); });
        QCOMPARE(program.exec(), 0);
        QVERIFY(modalReturned);
        QVERIFY(!platform::formSlot<frmMain>().isLoaded());
    }
};

QTEST_MAIN(TestFrmUpdate)
#include "test_frm_update.moc"
