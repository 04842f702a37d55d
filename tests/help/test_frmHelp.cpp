// Contents... and About Veltrane... open modally and unload on closing; links within the
// help page stay in it, others go to the shell; the about box's link opens the site only
// on a left click that starts on it. tests/whole/test_dialogs.py opens both from
// the tray and checks where and how they look, and the help window at its smallest.

#include "help/x11/frmAbout.h"
#include "help/x11/frmHelp.h"
#include "help/x11/web_link.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/recording_shell.h"

#include <QLabel>
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

} // namespace

class TestFrmHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program folder is the build folder, where the page sits beside the program.
    void initTestCase() { setProgramFolder(VTR_PROGRAM_DIR); }

    // Help twice, then About: each command returns only once its window is closed, and
    // the window is gone then.
    void menuCommandsOpenModalWindowsThatUnloadOnClosing() {
        FakeFormsServices forms;
        int modal = 0;
        for (void (*command)() : {mContents_Click, mContents_Click, mAbout_Click}) {
            QTimer::singleShot(0, [&] {
                QDialog* open = platform::formSlot<frmAbout>().loaded();
                if (!open)
                    open = platform::formSlot<frmHelp>().loaded();
                modal += open && open->isVisible() && open->isModal();
                if (open)
                    open->close();
            });
            command();
            QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
            QVERIFY(!platform::formSlot<frmAbout>().isLoaded());
        }
        QCOMPARE(modal, 3);
    }

    // Links within the help page stay in it, others go to the shell. The about box's link
    // opens the site on a left click only; a pressed button keeps the pointer's moves with
    // the control it went down on, and the link takes its pointer-over colour while the
    // pointer is on it. The shell failing, nothing says so.
    void linksOpenWhereTheyBelong() {
        FakeFormsServices forms;
        RecordingShell shell;
        shell.opens = false;
        frmHelp& help = platform::formSlot<frmHelp>().get();
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QUrl atForgot = QUrl::fromLocalFile(QStringLiteral(VTR_PROGRAM_DIR "/help/vtrhelp.html"));
        atForgot.setFragment(QStringLiteral("forgot"));
        clickLink(help.WBHelp, QStringLiteral("#forgot"));
        QCOMPARE(help.WBHelp->source(), atForgot);
        QVERIFY(help.WBHelp->verticalScrollBar()->value() > 0);
        QVERIFY(shell.opened.isEmpty());
        clickLink(help.WBHelp, kSite);
        QCOMPARE(shell.opened, QStringList{kSite});
        QCOMPARE(help.WBHelp->source(), atForgot);
        platform::formSlot<frmHelp>().unload();

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
        shell.opened.clear();
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
        QCOMPARE(colourAt(link.topLeft()), on);
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
