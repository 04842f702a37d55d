// The help window: the page it shows and the links in it, and the Contents command that
// opens it modally. tests/whole/test_help.py opens it from the tray and checks where.

#include "help/x11/frmHelp.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"

#include <QFileInfo>
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

frmHelp& shownHelp() {
    frmHelp& form = platform::formSlot<frmHelp>().get();
    form.show();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(&form)); }();
    return form;
}

// The program folder is the build folder, where the page sits beside the program.
class BuiltProgramFolder {
public:
    BuiltProgramFolder() : previous_(programFolder()) { setProgramFolder(VTR_PROGRAM_DIR); }
    ~BuiltProgramFolder() { setProgramFolder(previous_); }

private:
    std::string previous_;
};

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
    void cleanup() {
        platform::formSlot<frmHelp>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void contentsOpensItModallyAtTheTopAndClosingUnloadsIt() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
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
        BuiltProgramFolder folder;
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
        BuiltProgramFolder folder;
        frmHelp& form = shownHelp();
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
};

QTEST_MAIN(TestFrmHelp)
#include "test_frmHelp.moc"
