// The help window: where it opens, how it lays itself out, the page it shows and the
// links in it, and the Contents command and the F1 key that open it modally.

#include "help/frmHelp.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMain.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"
#include "support/scratch_folder.h"

#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <functional>
#include <optional>

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

// Runs `open`; once a help window is up, `act` is done on it (and it is closed should `act`
// leave it open). Gives nothing when no window came, else whether it was shown modally.
std::optional<bool> whileHelpIsOpen(const std::function<void()>& open,
                                    const std::function<void(frmHelp&)>& act) {
    std::optional<bool> modal;
    QTimer::singleShot(0, [&] {
        if (auto* form = qobject_cast<frmHelp*>(platform::loadedFormNamed("frmHelp"))) {
            modal = form->isVisible() && form->isModal();
            act(*form);
            form->close();
        }
    });
    open();
    QCoreApplication::processEvents();
    return modal;
}

} // namespace

class TestFrmHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() {
        platform::formSlot<frmHelp>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void opensInTheTopRightCorner_data() {
        QTest::addColumn<double>("twipsPerPixel");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("browser");
        QTest::addColumn<QRect>("button");
        // 8325 x 7860 at left 3675; browser 8225 x 7060; Close (1215 x 300) at 6910, 7160.
        QTest::newRow("96 dpi") << 15.0 << QRect(245, 0, 555, 524) << QRect(0, 0, 548, 471)
                                << QRect(461, 477, 81, 20);
        QTest::newRow("288 dpi") << 5.0 << QRect(735, 0, 1665, 1572) << QRect(0, 0, 1645, 1412)
                                 << QRect(1382, 1432, 243, 60);
    }
    void opensInTheTopRightCorner() {
        QFETCH(double, twipsPerPixel);
        QFETCH(QRect, window);
        QFETCH(QRect, browser);
        QFETCH(QRect, button);
        FakeFormsServices forms;
        forms.screenTwips = {12000, 9000, twipsPerPixel, twipsPerPixel};
        ScratchFolder folder;
        frmHelp& form = shownHelp();
        QCOMPARE(form.windowTitle(), QStringLiteral("Help"));
        QCOMPARE(form.frameGeometry(), window);
        QCOMPARE(form.WBHelp->geometry(), browser);
        QCOMPARE(form.cmdClose->geometry(), button);
        QCOMPARE(form.cmdClose->text(), QStringLiteral("Close"));
        QCOMPARE(form.cmdClose->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(form.cmdClose->font().pointSizeF(), 8.25);
        QCOMPARE(form.WBHelp->source(), QUrl::fromLocalFile(folder.path() + "/help/vtrhelp.html"));
        QVERIFY(forms.boxes.isEmpty());
    }

    void followsItsSizeAndSkipsWhatCannotBeDone() {
        FakeFormsServices forms;
        forms.screenTwips = {12000, 9000, 15, 15};
        ScratchFolder folder;
        frmHelp& form = shownHelp();
        const struct {
            QSize window;
            QRect browser, button;
        } steps[] = {
            // 6000 x 4500 twips: browser 5900 x 3700, Close at 4585, 3800.
            {{400, 300}, {0, 0, 393, 247}, {306, 253, 81, 20}},
            // Lower than 800 twips: nothing can follow the height.
            {{400, 50}, {0, 0, 393, 247}, {306, 253, 81, 20}},
            // Only too narrow: the height is followed, the width kept.
            {{6, 600}, {0, 0, 393, 547}, {306, 553, 81, 20}},
            // Exactly at the limits, 105 x 810 twips: a browser 5 x 10 twips, Close at
            // -1310, 110.
            {{7, 54}, {0, 0, 0, 1}, {-87, 7, 81, 20}},
            {{600, 500}, {0, 0, 593, 447}, {506, 453, 81, 20}},
        };
        // The steps give the outer size; the window system adds its frame to the inner one.
        const QSize frame = form.frameGeometry().size() - form.size();
        for (const auto& step : steps) {
            form.resize(step.window - frame);
            QCOMPARE(form.frameGeometry().size(), step.window);
            QCOMPARE(form.WBHelp->geometry(), step.browser);
            QCOMPARE(form.cmdClose->geometry(), step.button);
        }
        QVERIFY(forms.boxes.isEmpty());
    }

    void contentsOpensItModallyAtTheTopAndClosingUnloadsIt() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
        for (const bool byCloseButton : {true, false}) {
            int scrolled = -1;
            const auto modal = whileHelpIsOpen(mContents_Click, [&](frmHelp& form) {
                scrolled = form.WBHelp->verticalScrollBar()->value();
                // Left down the page: the next opening must start at the top again.
                form.WBHelp->scrollToAnchor(QStringLiteral("trouble"));
                if (byCloseButton)
                    QTest::mouseClick(form.cmdClose, Qt::LeftButton);
                else
                    form.close(); // the title bar's close box
            });
            QVERIFY(modal == true);
            QCOMPARE(scrolled, 0);
            QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
        }
    }

    void contentsAgainWhileItIsOpenLeavesItOpen() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
        bool stillOpen = false;
        whileHelpIsOpen(mContents_Click, [&](frmHelp& form) {
            mContents_Click(); // the tray menu answers while the window is open
            stillOpen = form.isVisible() && platform::formSlot<frmHelp>().isLoaded();
        });
        QVERIFY(stillOpen);
        QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
    }

    void everyLinkInThePageLeadsSomewhere() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
        const QTextDocument* page = platform::formSlot<frmHelp>().get().WBHelp->document();
        QVERIFY(page->toPlainText().contains(QStringLiteral("obfuscated, not encrypted")));
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
        // The stylesheet reached the page: headings take its colour.
        QTextCursor heading = page->find(QStringLiteral("Veltrane Help"));
        QCOMPARE(heading.charFormat().foreground().color(), QColor(0x1d, 0x35, 0x5e));
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

    void onlyF1OnTheMainWindowOpensIt_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("opens");
        const auto row = [](const char* name, int key, Qt::KeyboardModifiers with, bool opens) {
            QTest::newRow(name) << key << with << opens;
        };
        row("F1", Qt::Key_F1, {}, true);
        row("Shift+F1", Qt::Key_F1, Qt::ShiftModifier, true);
        row("Alt+F1", Qt::Key_F1, Qt::AltModifier, true);
        row("Ctrl+Shift+F1", Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier, true);
        for (const int key : {Qt::Key_F2, Qt::Key_Escape, Qt::Key_Help, Qt::Key_Return, Qt::Key_P})
            row(qPrintable(QKeySequence(key).toString()), key, {}, false);
    }
    void onlyF1OnTheMainWindowOpensIt() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, opens);
        FakeFormsServices forms;
        ScratchFolder folder;
        frmMain main;
        const auto modal =
            whileHelpIsOpen([&] { QTest::keyClick(&main, static_cast<Qt::Key>(key), modifiers); },
                            [](frmHelp& form) { form.cmdClose->click(); });
        QVERIFY(modal == (opens ? std::optional<bool>(true) : std::nullopt));
        QVERIFY(!platform::loadedFormNamed("frmHelp"));
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frmHelp.moc"
