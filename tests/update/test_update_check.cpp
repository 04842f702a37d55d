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
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

struct Box {
    QString text;
    int style;
    QString title;
};
const Box kLatest{QStringLiteral("You have a latest version of Veltrane application"), 64,
                  QStringLiteral("Veltrane Update")};
const Box kOffer{
    QStringLiteral("There is a newer version available to download, do you wish to update?"), 68,
    QStringLiteral("Veltrane Update")};
const Box kAccess{QStringLiteral("I can not access the server to check for update.\r"
                                 "Please check your firewall setting or internet\r"
                                 "connection to rectify this problem."),
                  16, QStringLiteral("Internet access problem")};

void compareBox(const RecordedBox& shown, const Box& expected) {
    QCOMPARE(shown.text, expected.text);
    QCOMPARE(shown.style, expected.style);
    QCOMPARE(shown.title, expected.title);
}

} // namespace

Q_DECLARE_METATYPE(Box)

class TestUpdateCheck : public QObject {
    Q_OBJECT

    std::unique_ptr<UpdateServerFixture> server_;

private Q_SLOTS:
    // One server for the whole case: starting one per row would dominate the run time.
    void initTestCase() {
        server_ = std::make_unique<UpdateServerFixture>();
        QVERIFY(server_->isRunning());
    }
    void init() { server_->reset(); }
    void cleanupTestCase() { server_.reset(); }

    void versionOutcomes_data() {
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<Box>("box");
        QTest::addColumn<QByteArray>("localCopy");
        const auto row = [](const char* name, const QByteArray& served, const Box& box,
                            const QByteArray& copy) {
            QTest::newRow(name) << served << box << copy;
        };
        row("equal with CR LF", "Version 1.0.0\r\n", kLatest, "Version 1.0.0\r\n\r\n");
        row("equal without line end", "Version 1.0.0", kLatest, "Version 1.0.0\r\n");
        row("spaces around", "   Version 1.0.0  ", kLatest, "Version 1.0.0\r\n");
        row("notes on later lines", "Version 1.0.0\r\nfixes\r\n", kLatest,
            "Version 1.0.0\r\nfixes\r\n\r\n");
        row("letter case", "version 1.0.0", kOffer, "version 1.0.0\r\n");
        row("extra text", "Version 1.0.0 beta", kOffer, "Version 1.0.0 beta\r\n");
        row("two spaces", "Version  1.0.0", kOffer, "Version  1.0.0\r\n");
        row("older version", "Version 0.9.0", kOffer, "Version 0.9.0\r\n");
        row("LF lines join", "Version 1.0.0\nnotes\n", kOffer, "Version 1.0.0\nnotes\n\r\n");
        row("empty file", "", kAccess, "\r\n");
        row("empty first line", "\r\nVersion 1.0.0", kAccess, "\r\nVersion 1.0.0\r\n");
    }

    void versionOutcomes() {
        QFETCH(QByteArray, served);
        QFETCH(Box, box);
        QFETCH(QByteArray, localCopy);
        ScratchFolder folder;
        folder.write("vtrver.txt", "stale copy from an earlier check");
        server_->put(QStringLiteral("vtrver.txt"), served);
        FakeFormsServices forms;
        FakeInternetState online(true);
        forms.boxAnswers.enqueue(platform::vbNo);

        mUpdate_Click();

        QCOMPARE(forms.boxes.size(), 1);
        compareBox(forms.boxes.first(), box);
        QCOMPARE(mdlInternet::bAccessProblem, box.style == 16);
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded()); // No opens nothing
        QCOMPARE(QByteArray::fromStdString(folder.read("vtrver.txt")), localCopy);
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
        ScratchFolder folder;
        folder.write("vtrver.txt", "kept");
        server_->use(base);
        updateSettings().fetchTimeoutMs = 300;
        FakeFormsServices forms;
        FakeInternetState online(true);
        // Seen inside the fetch's wait (the second one where the first never waits).
        Qt::CursorShape during = Qt::ArrowCursor;
        QTimer::singleShot(0, [&during] {
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                during = cursor->shape();
        });

        mUpdate_Click();

        QCOMPARE(forms.boxes.size(), 1);
        compareBox(forms.boxes.first(), kAccess);
        QVERIFY(mdlInternet::bAccessProblem);
        QCOMPARE(folder.read("vtrver.txt"), std::string("kept"));

        // The next check that reaches the server starts clean.
        server_->reset();
        server_->put(QStringLiteral("vtrver.txt"), "Version 1.0.0");
        mUpdate_Click();
        QVERIFY(!mdlInternet::bAccessProblem);
        QCOMPARE(forms.boxes.size(), 2);
        compareBox(forms.boxes.last(), kLatest);
        // The busy cursor showed while the version was fetched, and only then.
        QCOMPARE(during, Qt::WaitCursor);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void offlineShowsOnlyNoConnection() {
        ScratchFolder folder;
        folder.write("vtrver.txt", "as it was");
        server_->put(QStringLiteral("vtrver.txt"), "Version 9");
        FakeFormsServices forms;
        FakeInternetState offline(false);

        mUpdate_Click();

        QCOMPARE(offline.calls, 1);
        QCOMPARE(forms.boxes.size(), 1);
        compareBox(forms.boxes.first(),
                   {QStringLiteral("There is currently no internet connection present.\r\n"
                                   "Please check the connection and try to run check for the "
                                   "update again."),
                    16, QStringLiteral("No Connection")});
        QCOMPARE(folder.read("vtrver.txt"), std::string("as it was"));
    }

    void yesOpensTheUpgradeWindowModally() {
        ScratchFolder folder;
        server_->put(QStringLiteral("vtrver.txt"), "Version 2.0.0\r\n");
        FakeFormsServices forms;
        FakeInternetState online(true);
        forms.boxAnswers.enqueue(platform::vbYes);
        // The installer never comes (404), so the window waits until it is closed.
        bool sawModalWindow = false;
        QTimer::singleShot(200, [&sawModalWindow] {
            frmUpdate* window = platform::formSlot<frmUpdate>().loaded();
            sawModalWindow = window && window->isVisible() && window->isModal();
            if (window)
                window->close();
        });

        mUpdate_Click();

        QVERIFY(sawModalWindow);
        QCOMPARE(forms.boxes.size(), 1);
        QVERIFY(!platform::formSlot<frmUpdate>().isLoaded()); // closed: unloaded, program stays
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
