// Help > Check for update... and the upgrade window against a real HTTP server on
// 127.0.0.1 (tests/support/local_http_server.py, ended by its own process id): what the
// check tells, the display while the release arrives, its signature (made here with a
// key pair of the test's own, by openssl), putting it in place, and transfers that fail
// or are stopped. tests/whole/test_dialogs.py runs the real ending and the new program.

#include "platform/x11/forms.h"
#include "platform/x11/internet_state.h"
#include "platform/x11/transfer_control.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"
#include "support/tar_writer.h"
#include "update/update_decisions.h"
#include "update/x11/frmUpdate.h"
#include "update/x11/portable_upgrade.h"
#include "update/x11/program_end.h"
#include "update/x11/update_settings.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// A message box as FakeFormsServices::shown() lists it.
QString shownAs(const UpdateMessage& message) {
    return QString::fromStdString(message.title + " | " + std::to_string(message.style) + " | " +
                                  message.text);
}

QString box(UpdateOutcome outcome) {
    return shownAs(updateMessage(outcome));
}

// An update folder on 127.0.0.1 where nothing listens (port 1 needs root to open).
const QString kRefused = QStringLiteral("http://127.0.0.1:1/update/");
// The served update folder, and where the local server misbehaves (local_http_server.py).
const QString kUpdate = QStringLiteral("update/");
const QString kRelease = kUpdate + kPortableUpgradeFileName;

struct FakeInternetState : platform::InternetState {
    FakeInternetState() { platform::setInternetState(this); }
    ~FakeInternetState() override { platform::setInternetState(nullptr); }
    bool isConnected() override { return connected; }
    bool connected = true;
};

} // namespace

class TestFrmUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir served_;
    QProcess server_;
    QString serverAddress_;
    std::unique_ptr<ScratchFolder> folder_;
    std::unique_ptr<FakeFormsServices> forms_;
    FakeInternetState online_;
    RecordingShell shell_;
    QTimer closer_; // closes the upgrade window through its title bar once it gave up
    int ends_ = 0;
    std::string startedAfter_; // the program the last ending started

    // Puts a file into the served update folder.
    void put(const char* name, const QByteArray& bytes) {
        QFile file(served_.filePath(kUpdate + name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    // Points the update folder elsewhere: a full address, or a folder of the local server
    // ("odd/short/3000/").
    void use(const QString& where) {
        updateSettings().baseUrl =
            where.contains(QLatin1String("://")) ? where : serverAddress_ + where;
    }
    QString file(const char* name) const { return QString::fromStdString(folder_->file(name)); }
    // Runs openssl in the served folder; what it wrote.
    QByteArray openssl(const QStringList& arguments) {
        QProcess run;
        run.setWorkingDirectory(served_.path());
        run.start(QStringLiteral("openssl"), arguments);
        run.waitForFinished(10000);
        return run.readAllStandardOutput();
    }

private Q_SLOTS:
    // One server for the whole case: starting one per row would dominate the run time.
    void initTestCase() {
        QVERIFY(QDir(served_.path()).mkpath(kUpdate));
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(
            QStringLiteral("python3"),
            {QStringLiteral("-u"), QStringLiteral(VTR_LOCAL_HTTP_SERVER), served_.path()});
        QVERIFY(server_.waitForReadyRead(10000));
        serverAddress_ = QStringLiteral("http://127.0.0.1:%1/")
                             .arg(QString::fromLatin1(server_.readLine().trimmed()));
        // The program's key pair, and another key the maker never used.
        for (const char* key : {"key.pem", "other.pem"})
            openssl({"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", key});
        updateSettings().publicKey =
            openssl({"pkey", "-in", "key.pem", "-pubout", "-outform", "DER"})
                .toBase64()
                .toStdString();
        setEndProgram([this](const std::string& after) {
            ++ends_;
            startedAfter_ = after;
        });
        connect(&closer_, &QTimer::timeout, this, [] {
            frmUpdate* window = platform::formSlot<frmUpdate>().loaded();
            if (window && (window->lblStatus->text() == QLatin1String(kInstallFailedStatus) ||
                           window->lblStatus->text() == QLatin1String(kNotVerifiedStatus)))
                window->close();
        });
        closer_.start(20);
    }
    void cleanupTestCase() {
        server_.kill();
        server_.waitForFinished(5000);
    }
    void init() {
        use(kUpdate);
        updateSettings().fetchTimeoutMs = 2000;
        updateSettings().downloadInactivityMs = 2000;
        updateSettings().pauseMs = 10;
        folder_ = std::make_unique<ScratchFolder>();
        forms_ = std::make_unique<FakeFormsServices>();
        online_.connected = true;
        ends_ = 0;
        startedAfter_.clear();
    }
    void cleanup() {
        platform::formSlot<frmUpdate>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        forms_.reset();
        folder_.reset();
    }

    // The version is the local copy's first line with its spaces trimmed. A stale copy is
    // replaced, but kept when the fetch fails; the busy cursor shows while the version is
    // fetched, and only then. The rows run in order: a failed check leaves nothing behind
    // for the next. Without a connection nothing is fetched. No to the offer.
    void checkOutcomes_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QString>("shown");
        const QString latest = box(UpdateOutcome::Latest), offer = box(UpdateOutcome::Offer),
                      access = box(UpdateOutcome::AccessProblem), update = kUpdate;
        QTest::newRow("missing file") << QStringLiteral("nowhere/") << QByteArray() << access;
        QTest::newRow("equal with CR LF") << update << QByteArray("Version 1.0.0\r\n") << latest;
        QTest::newRow("refused port") << kRefused << QByteArray() << access;
        QTest::newRow("spaces around") << update << QByteArray("   Version 1.0.0  ") << latest;
        QTest::newRow("stalled") << QStringLiteral("odd/stall/100/") << QByteArray() << access;
        QTest::newRow("notes later") << update << QByteArray("Version 1.0.0\r\nfixes") << latest;
        QTest::newRow("not http") << QStringLiteral("ftp://127.0.0.1/") << QByteArray() << access;
        QTest::newRow("lone CR ends a line") << update << QByteArray("Version 1.0.0\rx") << latest;
        QTest::newRow("letter case") << update << QByteArray("version 1.0.0") << offer;
        QTest::newRow("LF lines join") << update << QByteArray("Version 1.0.0\nnotes\n") << offer;
        QTest::newRow("tabs stay") << update << QByteArray("\tVersion 1.0.0") << offer;
        QTest::newRow("empty file") << update << QByteArray() << access;
        QTest::newRow("empty first line") << update << QByteArray("\r\nVersion 1.0.0") << access;
        QByteArray full("Version 1.0.0\r\n");
        full.append(kMaxVersionBytes - full.size(), 'n');
        QTest::newRow("version text of 4 KB") << update << full << latest;
        QTest::newRow("version text over 4 KB") << update << full + 'n' << access;
        QTest::newRow("no connection") << QStringLiteral("offline") << QByteArray("Version 9")
                                       << box(UpdateOutcome::NoConnection);
    }
    void checkOutcomes() {
        QFETCH(QString, base);
        QFETCH(QByteArray, served);
        QFETCH(QString, shown);
        use(base);
        online_.connected = base != QLatin1String("offline");
        if (base != kUpdate)
            updateSettings().fetchTimeoutMs = 300;
        folder_->write(kVersionFileName, "kept");
        put(kVersionFileName, served);
        Qt::CursorShape during = Qt::ArrowCursor;
        QTimer::singleShot(0, [&during] {
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                during = cursor->shape();
        });
        mUpdate_Click();
        QCOMPARE(forms_->shown(), shown);
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded());
        QVERIFY(!QGuiApplication::overrideCursor());
        if (base == kUpdate)
            QCOMPARE(during, Qt::WaitCursor);
        else
            QCOMPARE(folder_->read(kVersionFileName), std::string("kept"));
    }

    // Yes to the offer: the upgrade window replaces an earlier, larger download. Only a
    // release its signature proves is announced and put in place, the new program started
    // once this one has ended; any other is deleted, and the window says it could not be
    // verified. What is not an archive is never put in place: the window says so, and the
    // program stays.
    void upgrade_data() {
        QTest::addColumn<QString>("key");    // signed with; "" for no signature at all
        QTest::addColumn<bool>("ofAnother"); // the signature is of another file
        QTest::addColumn<bool>("archive");
        QTest::newRow("good signature") << "key.pem" << false << true;
        QTest::newRow("wrong signature") << "other.pem" << false << true;
        QTest::newRow("missing signature") << "" << false << true;
        QTest::newRow("signature of another file") << "key.pem" << true << true;
        QTest::newRow("signed, not an archive") << "key.pem" << false << false;
    }
    void upgrade() {
        QFETCH(QString, key);
        QFETCH(bool, ofAnother);
        QFETCH(bool, archive);
        if (!archive)
            put(kPortableUpgradeFileName, "not an archive");
        else
            TarWriter()
                .add("veltrane-2.0.0/appVTR", "new program", '0', "", 0755)
                .add("veltrane-2.0.0/help/vtrhelp.html", "new help")
                .save(QFile::encodeName(served_.filePath(kRelease)).toStdString());
        QFile::remove(served_.filePath(kRelease + ".sig"));
        if (!key.isEmpty()) // another file: the key's own
            openssl({"dgst", "-sha256", "-sign", key, "-out", kRelease + ".sig",
                     ofAnother ? QStringLiteral("key.pem") : kRelease});
        put(kVersionFileName, "Version 2.0.0\r\n");
        folder_->write("appVTR", "old program");
        folder_->write(kPortableUpgradeFileName, std::string(200000, 'o'));
        forms_->boxAnswers.enqueue(platform::vbYes);
        mUpdate_Click();

        const bool proven = key == QLatin1String("key.pem") && !ofAnother;
        const bool installed = proven && archive;
        QCOMPARE(forms_->shown(),
                 box(UpdateOutcome::Offer) +
                     (proven ? '\n' + shownAs(downloadedMessage(kPortableUpgradeFileName)) : ""));
        QCOMPARE(folder_->read("appVTR"), std::string(installed ? "new program" : "old program"));
        QCOMPARE(ends_, int(installed));
        QCOMPARE(startedAfter_, installed ? folder_->file("appVTR") : std::string());
        // Kept only when proven but not put in place.
        QCOMPARE(folder_->read(kPortableUpgradeFileName),
                 std::string(proven && !archive ? "not an archive" : ""));
    }

    // An installed copy leaves the upgrade to the system's package tools: it tells of the
    // release and opens the maker's site, and downloads nothing.
    void installedCopyShowsTheSite() {
        QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("share/veltrane/help")));
        QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("bin")));
        setProgramFolder(folder_->file("bin"));
        put(kVersionFileName, "Version 2.0.0\r\n");
        shell_.opened.clear();
        mUpdate_Click();
        QCOMPARE(forms_->shown(), shownAs(newerVersionOnSiteMessage()));
        QCOMPARE(shell_.opened, QStringList{kMakerWebsite});
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded());
    }

    // A transfer that fails by itself: the window says so and waits for Cancel. Stopped on
    // the way: Cancel ends the program, the title bar's close button leaves it running.
    // None leaves a file behind or starts one. An address the transfer cannot even start
    // on ends the program with a message.
    void transfersThatDoNotComplete_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("stop");
        QTest::newRow("body shorter than announced") << QStringLiteral("odd/short/30000/") << "";
        QTest::newRow("no Content-length") << QStringLiteral("odd/nolength/3000/") << "";
        QTest::newRow("missing on the server") << QStringLiteral("nowhere/") << "";
        QTest::newRow("stalled after some bytes") << QStringLiteral("odd/stall/30000/5000/") << "";
        QTest::newRow("refused connection") << kRefused << "";
        QTest::newRow("Cancel, slow transfer") << QStringLiteral("odd/slow/400000/") << "Cancel";
        QTest::newRow("Cancel, stalled") << QStringLiteral("odd/stall/400000/20480/") << "Cancel";
        QTest::newRow("closed, stalled") << QStringLiteral("odd/stall/400000/20480/") << "close";
        QTest::newRow("not http") << QStringLiteral("ftp://127.0.0.1/update/") << "none";
    }
    void transfersThatDoNotComplete() {
        QFETCH(QString, folder);
        QFETCH(QString, stop);
        use(folder);
        if (stop.isEmpty())
            updateSettings().downloadInactivityMs = 300;
        frmUpdate& window = platform::formSlot<frmUpdate>().get();
        if (stop == QLatin1String("none")) {
            QTRY_COMPARE(ends_, 1);
            QCOMPARE(forms_->shown(), shownAs(downloadStartFailedMessage()));
            return;
        }
        window.show();
        if (stop.isEmpty()) {
            QTRY_COMPARE(window.lblStatus->text(), QString(kDownloadFailedStatus));
            QVERIFY(!window.cmdUpdate->isEnabled());
        } else { // the display follows the body as it arrives
            QTRY_VERIFY(window.ProgressBar1->value() >= 3);
            QVERIFY(window.windowTitle().endsWith("% " + QString(kPortableUpgradeFileName)));
            QVERIFY(QFileInfo::exists(file(kPortableUpgradeFileName)));
            QVERIFY(window.Inet1->stillExecuting());
        }
        QCOMPARE(ends_, 0);
        if (stop == QLatin1String("close"))
            window.close();
        else
            QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
        QTest::qWait(100); // the end comes from a 10 ms pause: within 0.1 s or never
        QTRY_COMPARE(ends_, int(stop != QLatin1String("close")));
        QVERIFY(!QFileInfo::exists(file(kPortableUpgradeFileName)));
        QVERIFY(!window.Inet1->stillExecuting());
        QVERIFY(window.isHidden());
        QVERIFY(forms_->boxes.isEmpty());
    }
};

QTEST_MAIN(TestFrmUpdate)
#include "test_frm_update.moc"
