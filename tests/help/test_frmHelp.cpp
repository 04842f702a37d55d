// Contents... and About Veltrane... open modally and unload on closing; links within the
// help page stay in it, others go to the shell; the about box's link opens the site only
// on a left click that starts and ends on it. tests/whole/test_help.py opens both from
// the tray and checks where and how they look.

#include "help/x11/frmAbout.h"
#include "help/x11/frmHelp.h"
#include "help/x11/web_link.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "platform/x11/shell.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

namespace {

const QString kSite = QStringLiteral("https://www.corvenna.com");

// Clicks the browser's link whose address is `href`, scrolling it into view first.
void clickLink(QTextBrowser* browser, const QString& href) {
    QTextCursor cursor(browser->document());
    while (cursor.charFormat().anchorHref() != href &&
           cursor.movePosition(QTextCursor::NextCharacter)) {
    }
    QVERIFY2(cursor.movePosition(QTextCursor::NextCharacter), qPrintable("no link to " + href));
    browser->setTextCursor(cursor);
    browser->ensureCursorVisible();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect().center());
}

// Keeps the addresses it is asked to open, and fails to open them: still no message.
class FakeShell : public platform::Shell {
public:
    FakeShell() { platform::setShell(this); }
    ~FakeShell() override { platform::setShell(nullptr); }
    bool openDocument(const QString& address) override {
        opened.append(address);
        return false;
    }
    bool startProgram(const QString&) override { return false; }
    QStringList opened;
};

} // namespace

class TestFrmHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program folder is the build folder, where the page sits beside the program.
    void initTestCase() { setProgramFolder(VTR_PROGRAM_DIR); }

    // Help twice (closed by its button, then by the title bar's close box, and scrolled
    // down in between), then About: each command returns only once its window is closed.
    void menuCommandsOpenModalWindowsThatUnloadOnClosing() {
        FakeFormsServices forms;
        int modal = 0, scrolled = 0;
        for (int round = 0; round < 3; ++round) {
            QTimer::singleShot(0, [&] {
                frmHelp* help = platform::formSlot<frmHelp>().loaded();
                frmAbout* about = platform::formSlot<frmAbout>().loaded();
                const QDialog* open = help ? static_cast<QDialog*>(help) : about;
                modal += open && open->isVisible() && open->isModal();
                if (about)
                    return QTest::mouseClick(about->cmdQuit, Qt::LeftButton);
                if (!help)
                    return;
                scrolled += help->WBHelp->verticalScrollBar()->value();
                help->WBHelp->scrollToAnchor(QStringLiteral("trouble"));
                if (round == 0)
                    QTest::mouseClick(help->cmdClose, Qt::LeftButton);
                else
                    help->close();
            });
            round < 2 ? mContents_Click() : mAbout_Click();
            QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
            QVERIFY(!platform::formSlot<frmAbout>().isLoaded());
        }
        QCOMPARE(modal, 3);
        QCOMPARE(scrolled, 0);
    }

    // At every size the window can take, the Close button is whole inside it, under the
    // browser; smaller sizes are refused.
    void closeButtonStaysInsideAtEverySize() {
        FakeFormsServices forms;
        frmHelp& form = platform::formSlot<frmHelp>().get();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const QSize size :
             {QSize(5, 5), QSize(200, 133), QSize(230, 90), QSize(555, 524), QSize(1400, 300)}) {
            form.resize(size);
            const QRect close = form.cmdClose->geometry();
            QVERIFY2(form.rect().contains(close) &&
                         close.top() > form.WBHelp->geometry().bottom() &&
                         form.width() >= size.width() && form.height() >= size.height() - 1,
                     qPrintable(QStringLiteral("%1 x %2").arg(form.width()).arg(form.height())));
        }
        QCOMPARE(form.size(), QSize(1400, 300));
        platform::formSlot<frmHelp>().unload();
    }

    void linksWithinThePageStayOthersGoToTheShell() {
        FakeFormsServices forms;
        FakeShell shell;
        frmHelp& form = platform::formSlot<frmHelp>().get();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QUrl atForgot = QUrl::fromLocalFile(QStringLiteral(VTR_PROGRAM_DIR "/help/vtrhelp.html"));
        atForgot.setFragment(QStringLiteral("forgot"));
        clickLink(form.WBHelp, QStringLiteral("#forgot"));
        QCOMPARE(form.WBHelp->source(), atForgot);
        QVERIFY(form.WBHelp->verticalScrollBar()->value() > 0);
        QVERIFY(shell.opened.isEmpty());
        clickLink(form.WBHelp, kSite);
        QCOMPARE(shell.opened, QStringList{kSite});
        QCOMPARE(form.WBHelp->source(), atForgot);
        QVERIFY(forms.boxes.isEmpty());
        platform::formSlot<frmHelp>().unload();
    }

    // A pressed button keeps the pointer's moves with the control it went down on; the
    // link takes its pointer-over colour while the pointer is on it, edges included.
    void aboutBoxLinkOpensTheSiteOnALeftClickOnly() {
        FakeFormsServices forms;
        FakeShell shell;
        frmAbout& form = platform::formSlot<frmAbout>().get();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWindow* window = form.windowHandle();
        const QRect link = form.lblWebsite->geometry();
        const QPoint free(40, 200), other = form.Label3->geometry().center();
        const QColor on = qColorOf(kLinkHoverColour), off = qColorOf(kLinkNormalColour);
        const auto colourAt = [&](QPoint at) {
            QTest::mouseMove(window, at);
            return form.lblWebsite->palette().color(QPalette::WindowText);
        };
        QCOMPARE(colourAt(link.center()), on);
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton})
            QTest::mouseClick(window, button, {}, link.center());
        // A left press elsewhere released over the link is not a click on it.
        QCOMPARE(colourAt(free), off);
        QTest::mousePress(window, Qt::LeftButton, {}, free);
        colourAt(link.center());
        QTest::mouseRelease(window, Qt::LeftButton, {}, link.center());
        QVERIFY(shell.opened.isEmpty());

        QTest::mousePress(window, Qt::LeftButton, {}, link.center());
        QCOMPARE(colourAt(link.bottomRight() + QPoint(1, 1)), on);
        QCOMPARE(colourAt(link.bottomRight() + QPoint(2, 1)), off);
        QCOMPARE(colourAt(link.center()), on);
        QCOMPARE(colourAt(other), off);
        QVERIFY(shell.opened.isEmpty());
        QTest::mouseRelease(window, Qt::LeftButton, {}, other);
        QCOMPARE(shell.opened, QStringList{kSite});
        QVERIFY(forms.boxes.isEmpty());
        platform::formSlot<frmAbout>().unload();
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frmHelp.moc"
