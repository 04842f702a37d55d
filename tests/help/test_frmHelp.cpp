// The help window: where it opens, how it lays itself out, the page it shows and the
// links in it, and the Contents command that opens it modally.

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

namespace {

const QString kBuiltPage = QStringLiteral(VTR_PROGRAM_DIR "/help/vtrhelp.html");

frmHelp& loadHelp() {
    return platform::formSlot<frmHelp>().get();
}

void unloadHelp() {
    platform::formSlot<frmHelp>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The program folder is the build folder, where the page sits beside the program.
class BuiltProgramFolder {
public:
    BuiltProgramFolder() : previous_(programFolder()) { setProgramFolder(VTR_PROGRAM_DIR); }
    ~BuiltProgramFolder() { setProgramFolder(previous_); }

private:
    std::string previous_;
};

struct Link {
    QString href;
    int position = 0;
};

QList<Link> linksOf(const QTextDocument* document) {
    QList<Link> links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !format.anchorHref().isEmpty())
                links.append({format.anchorHref(), it.fragment().position()});
        }
    }
    return links;
}

QStringList anchorNamesOf(const QTextDocument* document) {
    QStringList names;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            names += it.fragment().charFormat().anchorNames();
    }
    return names;
}

// Clicks the browser's link whose address is `href`, scrolling it into view first.
void clickLink(QTextBrowser* browser, const QString& href) {
    for (const Link& link : linksOf(browser->document())) {
        if (link.href != href)
            continue;
        QTextCursor cursor(browser->document());
        cursor.setPosition(link.position + 2);
        browser->setTextCursor(cursor);
        browser->ensureCursorVisible();
        const QPoint at = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
        return;
    }
    QFAIL(qPrintable("no link to " + href));
}

} // namespace

class TestFrmHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { unloadHelp(); }

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
        frmHelp& form = loadHelp();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Help"));
        QCOMPARE(form.objectName(), QStringLiteral("frmHelp"));
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
        frmHelp& form = loadHelp();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const struct {
            QSize window;
            QRect browser, button;
        } steps[] = {
            // 6000 x 4500 twips: browser 5900 x 3700, Close at 4585, 3800.
            {{400, 300}, {0, 0, 393, 247}, {306, 253, 81, 20}},
            // Lower than 800 twips: nothing can follow the height.
            {{400, 50}, {0, 0, 393, 247}, {306, 253, 81, 20}},
            // Narrower than 100 twips as well: nothing moves at all.
            {{6, 50}, {0, 0, 393, 247}, {306, 253, 81, 20}},
            // Only too narrow: the height is followed, the width kept.
            {{6, 600}, {0, 0, 393, 547}, {306, 553, 81, 20}},
            // Exactly at the limits: an empty browser, the button left of the window.
            // 105 x 810 twips: a browser 5 x 10 twips, Close at -1310, 110.
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

    void contentsOpensTheWindowModallyAndUnloadsItOnClose() {
        FakeFormsServices forms;
        ScratchFolder folder;
        for (const bool byCloseButton : {true, false}) {
            bool seen = false;
            QTimer::singleShot(0, [&] {
                auto* form = qobject_cast<frmHelp*>(platform::loadedFormNamed("frmHelp"));
                QVERIFY(form);
                seen = form->isVisible() && form->isModal();
                if (byCloseButton)
                    QTest::mouseClick(form->cmdClose, Qt::LeftButton);
                else
                    form->close(); // the title bar's close box
            });
            mContents_Click();
            QVERIFY(seen);
            QVERIFY(!platform::loadedFormNamed("frmHelp"));
            QVERIFY(!platform::formSlot<frmHelp>().isLoaded());
        }
    }

    void thePageShipsBesideTheProgram() {
        QVERIFY(QFileInfo(kBuiltPage).isFile());
        QVERIFY(QFileInfo(VTR_PROGRAM_DIR "/help/vtrhelp.css").isFile());
    }

    void everyLinkInThePageLeadsSomewhere() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
        frmHelp& form = loadHelp();
        const QTextDocument* page = form.WBHelp->document();
        QVERIFY(page->toPlainText().contains(QStringLiteral("obfuscated, not encrypted")));
        const QStringList names = anchorNamesOf(page);
        int external = 0;
        for (const Link& link : linksOf(page)) {
            const QUrl url(link.href);
            if (link.href.startsWith('#'))
                QVERIFY2(names.contains(link.href.mid(1)), qPrintable(link.href));
            else if (url.isRelative())
                QVERIFY2(QFileInfo(QFileInfo(kBuiltPage).dir(), link.href).isFile(),
                         qPrintable(link.href));
            else
                ++external;
        }
        QVERIFY(external > 0);
        // The stylesheet reached the page: headings take its colour.
        QTextCursor heading = page->find(QStringLiteral("Veltrane Help"));
        QCOMPARE(heading.charFormat().foreground().color(), QColor(0x1d, 0x35, 0x5e));
    }

    void linksWithinThePageAreFollowedInPlace() {
        FakeFormsServices forms;
        FakeShell shell;
        BuiltProgramFolder folder;
        frmHelp& form = loadHelp();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickLink(form.WBHelp, QStringLiteral("#forgot"));
        QCOMPARE(form.WBHelp->source().fragment(), QStringLiteral("forgot"));
        QCOMPARE(form.WBHelp->source().adjusted(QUrl::RemoveFragment),
                 QUrl::fromLocalFile(kBuiltPage));
        QVERIFY(form.WBHelp->verticalScrollBar()->value() > 0);
        QVERIFY(shell.openedDocuments.isEmpty());
    }

    void linksToOtherSitesGoToTheDesktopShell() {
        FakeFormsServices forms;
        FakeShell shell;
        shell.accept = false; // a shell that cannot open it: still nothing happens here
        BuiltProgramFolder folder;
        frmHelp& form = loadHelp();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickLink(form.WBHelp, QStringLiteral("https://www.corvenna.com"));
        QCOMPARE(shell.openedDocuments, QStringList{QStringLiteral("https://www.corvenna.com")});
        QCOMPARE(form.WBHelp->source(), QUrl::fromLocalFile(kBuiltPage));
        QVERIFY(forms.boxes.isEmpty());
    }

    void f1OnTheMainWindowOpensTheHelpWindow_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("alone") << Qt::KeyboardModifiers();
        QTest::newRow("shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::newRow("ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("alt") << Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("ctrl shift") << (Qt::ControlModifier | Qt::ShiftModifier);
    }
    void f1OnTheMainWindowOpensTheHelpWindow() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        FakeFormsServices forms;
        ScratchFolder folder;
        frmMain main;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<frmHelp*>(platform::loadedFormNamed("frmHelp"));
            QVERIFY(form);
            modal = form->isVisible() && form->isModal();
            form->cmdClose->click();
        });
        QTest::keyClick(&main, Qt::Key_F1, modifiers);
        QVERIFY(modal);
        QVERIFY(!platform::loadedFormNamed("frmHelp"));
    }

    void otherKeysOnTheMainWindowOpenNothing() {
        FakeFormsServices forms;
        ScratchFolder folder;
        frmMain main;
        for (const Qt::Key key : {Qt::Key_F2, Qt::Key_F11, Qt::Key_Escape, Qt::Key_Help,
                                  Qt::Key_Return, Qt::Key_P, Qt::Key_1}) {
            bool opened = false;
            // Should one open the window after all, this closes it and says so.
            QTimer::singleShot(0, [&] {
                if (auto* form = qobject_cast<frmHelp*>(platform::loadedFormNamed("frmHelp"))) {
                    opened = true;
                    form->cmdClose->click();
                }
            });
            QTest::keyClick(&main, key);
            QCoreApplication::processEvents();
            QVERIFY2(!opened, qPrintable(QKeySequence(key).toString()));
        }
    }

    void aSecondOpeningStartsAtTheTop() {
        FakeFormsServices forms;
        BuiltProgramFolder folder;
        int scrolled = -1;
        for (int opening = 0; opening < 2; ++opening) {
            QTimer::singleShot(0, [&] {
                auto* form = qobject_cast<frmHelp*>(platform::loadedFormNamed("frmHelp"));
                QVERIFY(form);
                scrolled = form->WBHelp->verticalScrollBar()->value();
                form->WBHelp->scrollToAnchor(QStringLiteral("trouble"));
                form->cmdClose->click();
            });
            mContents_Click();
            QCOMPARE(scrolled, 0);
        }
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frmHelp.moc"
