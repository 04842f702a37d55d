// Help > Check for update... against a real HTTP server on 127.0.0.1.

#include "platform/forms.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/fake_internet_state.h"
#include "support/scratch_folder.h"
#include "update/frmUpdate.h"
#include "update/mdlInternet.h"
#include "update_server_fixture.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

const QString kLatest =
    QStringLiteral("Veltrane Update | 64 | You have a latest version of Veltrane application");
const QString kOffer = QStringLiteral("Veltrane Update | 68 | There is a newer version available "
                                      "to download, do you wish to update?");
const QString kAccess = QStringLiteral(
    "Internet access problem | 16 | I can not access the server to check for update.\r"
    "Please check your firewall setting or internet\rconnection to rectify this problem.");

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT

    std::unique_ptr<UpdateServerFixture> server_;
    std::unique_ptr<ScratchFolder> folder_;
    std::unique_ptr<FakeFormsServices> forms_;
    std::unique_ptr<FakeInternetState> online_;

private Q_SLOTS:
    // One server for the whole case: starting one per row would dominate the run time.
    void initTestCase() {
        server_ = std::make_unique<UpdateServerFixture>();
        QVERIFY(server_->isRunning());
    }
    void init() {
        server_->reset();
        folder_ = std::make_unique<ScratchFolder>();
        forms_ = std::make_unique<FakeFormsServices>();
        online_ = std::make_unique<FakeInternetState>(true);
    }
    void cleanup() {
        online_.reset();
        forms_.reset();
        folder_.reset();
    }
    void cleanupTestCase() { server_.reset(); }

    // The version is the local copy's first line with its spaces trimmed; a stale copy
    // from an earlier check is replaced first.
    void versionOutcomes_data() {
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QString>("box");
        QTest::newRow("equal with CR LF") << QByteArray("Version 1.0.0\r\n") << kLatest;
        QTest::newRow("spaces around") << QByteArray("   Version 1.0.0  ") << kLatest;
        QTest::newRow("notes on later lines") << QByteArray("Version 1.0.0\r\nfixes") << kLatest;
        QTest::newRow("letter case") << QByteArray("version 1.0.0") << kOffer;
        QTest::newRow("LF lines join") << QByteArray("Version 1.0.0\nnotes\n") << kOffer;
        QTest::newRow("empty file") << QByteArray() << kAccess;
        QTest::newRow("empty first line") << QByteArray("\r\nVersion 1.0.0") << kAccess;
    }
    void versionOutcomes() {
        QFETCH(QByteArray, served);
        QFETCH(QString, box);
        folder_->write("vtrver.txt", "Version 1.0.0");
        server_->put(QStringLiteral("vtrver.txt"), served);
        mUpdate_Click(); // No to the offer
        QCOMPARE(forms_->shown(), box);
        QCOMPARE(mdlInternet::bAccessProblem, box == kAccess);
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded());
    }

    void failedFetchIsAnAccessProblem_data() {
        QTest::addColumn<QString>("base");
        QTest::newRow("missing file") << QStringLiteral("nowhere/");
        QTest::newRow("refused port") << UpdateServerFixture::refusedAddress();
        QTest::newRow("stalled server") << QStringLiteral("odd/stall/100/");
        QTest::newRow("not http") << QStringLiteral("ftp://127.0.0.1/update/");
    }
    void failedFetchIsAnAccessProblem() {
        QFETCH(QString, base);
        folder_->write("vtrver.txt", "kept");
        server_->use(base);
        updateSettings().fetchTimeoutMs = 300;
        // Seen inside the fetch's wait (the second one where the first never waits).
        Qt::CursorShape during = Qt::ArrowCursor;
        QTimer::singleShot(0, [&during] {
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                during = cursor->shape();
        });
        mUpdate_Click();
        QCOMPARE(forms_->shown(), kAccess);
        QVERIFY(mdlInternet::bAccessProblem);
        QCOMPARE(folder_->read("vtrver.txt"), std::string("kept"));
        // The next check that reaches the server starts clean.
        server_->reset();
        server_->put(QStringLiteral("vtrver.txt"), "Version 1.0.0");
        mUpdate_Click();
        QVERIFY(!mdlInternet::bAccessProblem);
        QCOMPARE(forms_->shown(), kAccess + '\n' + kLatest);
        // The busy cursor showed while the version was fetched, and only then.
        QCOMPARE(during, Qt::WaitCursor);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void offlineShowsOnlyNoConnection() {
        online_->connected = false;
        server_->put(QStringLiteral("vtrver.txt"), "Version 9");
        mUpdate_Click();
        QCOMPARE(forms_->shown(),
                 QStringLiteral("No Connection | 16 | There is currently no internet connection "
                                "present.\r\nPlease check the connection and try to run check for "
                                "the update again."));
        QVERIFY(!QFile::exists(QString::fromStdString(folder_->file("vtrver.txt"))));
    }

    void yesOpensTheUpgradeWindowModally() {
        server_->put(QStringLiteral("vtrver.txt"), "Version 2.0.0\r\n");
        forms_->boxAnswers.enqueue(platform::vbYes);
        // The installer never comes (404), so the window waits until it is closed. The
        // version fetch takes its time: the window is polled for, not given a fixed delay.
        bool sawModalWindow = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            frmUpdate* window = platform::formSlot<frmUpdate>().loaded();
            if (!window || !window->isVisible())
                return;
            poll.stop();
            sawModalWindow = window->isModal();
            window->close();
        });
        poll.start(20);
        mUpdate_Click();
        QVERIFY(sawModalWindow);
        QCOMPARE(forms_->shown(), kOffer);
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded()); // closed: unloaded, program stays
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
