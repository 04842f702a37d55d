// The help window: the page it shows and the links in it, and the Contents command that
// opens it modally; the about box's link. tests/whole/test_help.py opens both from the
// tray and checks where and how they look.

#include "help/x11/frmAbout.h"
#include "help/x11/frmHelp.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

namespace {

const QString kBuiltPage = QStringLiteral(VTR_PROGRAM_DIR "/help/vtrhelp.html");
const QString kSite = QStringLiteral("https://www.corvenna.com");

void forEachFragment(const QTextDocument* page, const std::function<void(QTextFragment)>& visit) {
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            visit(it.fragment());
}

// Clicks the browser's link whose address is `href`, scrolling it into view first.
void clickLink(QTextBrowser* browser, const QString& href) {
    int position = -1;
    forEachFragment(browser->document(), [&](QTextFragment fragment) {
        if (position < 0 && fragment.charFormat().anchorHref() == href)
            position = fragment.position();
    });
    QVERIFY2(position >= 0, qPrintable("no link to " + href));
    QTextCursor cursor(browser->document());
    cursor.setPosition(position + 2);
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
    void cleanup() {
        platform::formSlot<frmHelp>().unload();
        platform::formSlot<frmAbout>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void contentsOpensItModallyAtTheTopAndClosingUnloadsIt() {
        FakeFormsServices forms;
        for (const bool byCloseButton : {true, false}) {
            bool modal = false;
            int scrolled = -1;
            QTimer::singleShot(0, [&] {
                frmHelp* form = platform::formSlot<frmHelp>().loaded();
                modal = form && form->isVisible() && form->isModal();
                if (!form)
                    return;
                scrolled = form->WBHelp->verticalScrollBar()->value();
                // Left down the page: the next opening must start at the top again.
                form->WBHelp->scrollToAnchor(QStringLiteral("trouble"));
                if (byCloseButton)
                    QTest::mouseClick(form->cmdClose, Qt::LeftButton);
                else
                    form->close(); // the title bar's close box
            });
            mContents_Click();
            QVERIFY(modal);
            QCOMPARE(scrolled, 0);
            QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
        }
    }

    void everyLinkInThePageLeadsSomewhere() {
        FakeFormsServices forms;
        const QTextDocument* page = platform::formSlot<frmHelp>().get().WBHelp->document();
        QStringList names, hrefs;
        forEachFragment(page, [&](QTextFragment fragment) {
            names += fragment.charFormat().anchorNames();
            if (!fragment.charFormat().anchorHref().isEmpty())
                hrefs += fragment.charFormat().anchorHref();
        });
        int external = 0;
        for (const QString& href : hrefs) {
            if (href.startsWith('#'))
                QVERIFY2(names.contains(href.mid(1)), qPrintable(href));
            else if (QUrl(href).isRelative())
                QVERIFY2(QFileInfo(QFileInfo(kBuiltPage).dir(), href).isFile(), qPrintable(href));
            else
                ++external;
        }
        QVERIFY(external > 0);
    }

    void linksWithinThePageStayOthersGoToTheShell() {
        FakeFormsServices forms;
        FakeShell shell;
        shell.accept = false; // a shell that cannot open it: still no message here
        frmHelp& form = platform::formSlot<frmHelp>().get();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QUrl atForgot = QUrl::fromLocalFile(kBuiltPage);
        atForgot.setFragment(QStringLiteral("forgot"));
        clickLink(form.WBHelp, QStringLiteral("#forgot"));
        QCOMPARE(form.WBHelp->source(), atForgot);
        QVERIFY(form.WBHelp->verticalScrollBar()->value() > 0);
        QVERIFY(shell.openedDocuments.isEmpty());
        clickLink(form.WBHelp, kSite);
        QCOMPARE(shell.openedDocuments, QStringList{kSite});
        QCOMPARE(form.WBHelp->source(), atForgot);
        QVERIFY(forms.boxes.isEmpty());
    }

    // The about box: which clicks open the site, how a pressed button keeps the pointer's
    // moves with the control it went down on, and the link's colours under the pointer.
    void aboutBoxClicksAndPresses() {
        FakeFormsServices forms;
        FakeShell shell;
        shell.accept = false; // a shell that cannot open the site draws no message
        frmAbout& form = platform::formSlot<frmAbout>().get();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLabel* link = form.lblWebsite;
        const auto colour = [link] { return link->palette().color(QPalette::WindowText); };
        const QColor navy(0, 0, 128), blue(0, 0, 255), darkBlue(32, 72, 134);
        // Drives the pointer through the window, as the window system would: `at` in
        // `over`'s coordinates (its middle by default), the free area of the box itself.
        QPoint last;
        const auto move = [&](const QWidget* over, QPoint at = {-1, -1}) {
            at = at == QPoint(-1, -1) ? over->rect().center() : at;
            last = over == &form ? QPoint(40, 200) : over->mapTo(&form, at);
            QTest::mouseMove(form.windowHandle(), last);
        };
        const auto press = [&](Qt::MouseButton b) {
            QTest::mousePress(form.windowHandle(), b, {}, last);
        };
        const auto release = [&](Qt::MouseButton b) {
            QTest::mouseRelease(form.windowHandle(), b, {}, last);
        };

        QCOMPARE(colour(), navy);
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            move(link);
            press(button);
            release(button);
        }
        // A left press elsewhere released over the link is not a click on it.
        move(&form);
        QCOMPARE(colour(), darkBlue);
        press(Qt::LeftButton);
        move(link);
        release(Qt::LeftButton);
        QVERIFY(shell.openedDocuments.isEmpty());

        press(Qt::LeftButton);
        // Still the link's own moves: its right bottom corner is on it, one further is not.
        move(link, QPoint(link->width(), link->height()));
        QCOMPARE(colour(), blue);
        move(link, QPoint(link->width() + 1, link->height()));
        QCOMPARE(colour(), darkBlue);
        move(link);
        QCOMPARE(colour(), blue);
        // Over another control the link still hears of it, and the pointer is off it.
        move(form.Label3);
        QCOMPARE(colour(), darkBlue);
        QVERIFY(shell.openedDocuments.isEmpty());
        release(Qt::LeftButton);
        QCOMPARE(shell.openedDocuments, QStringList{kSite});
        QVERIFY(forms.boxes.isEmpty());
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frmHelp.moc"
