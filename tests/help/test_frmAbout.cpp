// The about box: its controls, the link's colours under the pointer, the clicks that open
// the web site and those that do not, and the About command that opens it modally.

#include "help/frmAbout.h"
#include "platform/forms.h"
#include "shell/menu_commands.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kSite = QStringLiteral("https://www.corvenna.com");
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);       // hover, 0x00FF0000
const QColor kDarkBlue(32, 72, 134); // normal, 0x00864820

QColor colourOf(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// A point of the box that no control covers.
const QPoint kFreeArea(40, 200);

// Drives the pointer through the window, as the window system would.
class Pointer {
public:
    explicit Pointer(frmAbout& form) : form_(form), window_(form.windowHandle()) {}
    void moveTo(const QWidget* over, QPoint at) { QTest::mouseMove(window_, map(over, at)); }
    // The middle of a control, or the free area of the box itself.
    void moveTo(const QWidget* over) {
        moveTo(over, over == &form_ ? kFreeArea : over->rect().center());
    }
    void press(Qt::MouseButton button) { QTest::mousePress(window_, button, {}, last_); }
    void release(Qt::MouseButton button) { QTest::mouseRelease(window_, button, {}, last_); }
    void click(const QWidget* over, Qt::MouseButton button) {
        moveTo(over);
        press(button);
        release(button);
    }

private:
    QPoint map(const QWidget* over, QPoint at) {
        last_ = over == &form_ ? at : over->mapTo(&form_, at);
        return last_;
    }
    frmAbout& form_;
    QWindow* window_;
    QPoint last_;
};

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

private:
    FakeFormsServices* forms_ = nullptr;
    FakeShell* shell_ = nullptr;

    frmAbout& shownAbout() {
        frmAbout& form = platform::formSlot<frmAbout>().get();
        form.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&form)); }();
        return form;
    }

private Q_SLOTS:
    void init() {
        forms_ = new FakeFormsServices;
        shell_ = new FakeShell;
    }
    void cleanup() {
        platform::formSlot<frmAbout>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete shell_;
        delete forms_;
    }

    void controlsStandWhereTheyBelong_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("lblVersion") << "lblVersion"
                                    << "version 1.0" << QRect(4920, 120, 780, 195);
        QTest::newRow("Label3")
            << "Label3"
            << "This software is provided as it is.  You agree to the terms and conditions set "
               "out when you installed it. We shall not be liable for any direct, indirect, "
               "incidental or consequential damages which includes but is not limited to the "
               "use of this software, of loss of data, or profits, or business interuption "
               "however caused by or arising in any way."
            << QRect(1560, 1440, 4215, 1335);
        QTest::newRow("lblCopyright") << "lblCopyright" << QString::fromUtf8("© 2026 Corvenna")
                                      << QRect(120, 4080, 1245, 195);
        QTest::newRow("lblWebsite") << "lblWebsite" << kSite << QRect(3720, 840, 2055, 195);
        QTest::newRow("cmdQuit") << "cmdQuit"
                                 << "Close" << QRect(4440, 3960, 1215, 375);
    }
    void controlsStandWhereTheyBelong() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, twips);
        frmAbout& form = shownAbout();
        QWidget* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        const QRect pixels(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0),
                           qRound(twips.width() / 15.0), qRound(twips.height() / 15.0));
        QCOMPARE(control->geometry(), pixels);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), text);
            return;
        }
        auto* label = qobject_cast<QLabel*>(control);
        QCOMPARE(label->text(), text);
        // The whole text is readable in the label's own area.
        if (label->wordWrap())
            QVERIFY(label->heightForWidth(label->width()) <= label->height());
        else
            QVERIFY(label->fontMetrics().horizontalAdvance(text) <= label->width());
    }

    void isABorderlessPictureWithTheProgramsHandOverTheLink() {
        frmAbout& form = shownAbout();
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form.size(), QSize(391, 296));
        QCOMPARE(colourOf(form.Label3), QColor(128, 128, 128));
        // The picture covers the box: its corners are not the plain window colour.
        const QImage shot = form.grab().toImage();
        QVERIFY(shot.pixelColor(10, 10) != shot.pixelColor(300, 200));
        QVERIFY(shot.pixelColor(10, 10) != form.palette().color(QPalette::Window));
        // Over the link the pointer is the program's own hand.
        const QCursor pointer = form.lblWebsite->cursor();
        QCOMPARE(pointer.shape(), Qt::BitmapCursor);
        QCOMPARE(pointer.pixmap().size(), QSize(32, 32));
        QCOMPARE(pointer.hotSpot(), QPoint(6, 0));
        QCOMPARE(form.cmdQuit->cursor().shape(), Qt::ArrowCursor);
    }

    void theLinkColourFollowsThePointer() {
        frmAbout& form = shownAbout();
        Pointer pointer(form);
        const struct {
            QWidget* over;
            QColor colour;
        } moves[] = {
            {form.lblWebsite, kBlue},   {&form, kDarkBlue},    {form.lblWebsite, kBlue},
            {form.Label3, kBlue},       {form.cmdQuit, kBlue}, {form.lblVersion, kBlue},
            {form.lblCopyright, kBlue}, {&form, kDarkBlue},    {form.Label3, kDarkBlue},
        };
        QCOMPARE(colourOf(form.lblWebsite), kNavy);
        for (const auto& move : moves) {
            pointer.moveTo(move.over);
            QCOMPARE(colourOf(form.lblWebsite), move.colour);
        }
        QVERIFY(shell_->openedDocuments.isEmpty());
    }

    // Which clicks open the site, and how a pressed button keeps the pointer's moves with
    // the control it went down on.
    void clicksAndPressesOnTheBox() {
        frmAbout& form = shownAbout();
        Pointer pointer(form);
        QLabel* link = form.lblWebsite;
        shell_->accept = false; // a shell that cannot open the site draws no message
        pointer.click(link, Qt::RightButton);
        pointer.click(link, Qt::MiddleButton);
        // A left press elsewhere released over the link is not a click on it.
        pointer.moveTo(&form);
        pointer.press(Qt::LeftButton);
        pointer.moveTo(link);
        pointer.release(Qt::LeftButton);
        QVERIFY(shell_->openedDocuments.isEmpty());

        pointer.press(Qt::LeftButton);
        // Still the link's own moves: its right bottom corner is on it, one further is not.
        pointer.moveTo(link, QPoint(link->width(), link->height()));
        QCOMPARE(colourOf(link), kBlue);
        pointer.moveTo(link, QPoint(link->width() + 1, link->height()));
        QCOMPARE(colourOf(link), kDarkBlue);
        pointer.moveTo(link);
        QCOMPARE(colourOf(link), kBlue);
        // Over another control the link still hears of it, and the pointer is off it.
        pointer.moveTo(form.Label3);
        QCOMPARE(colourOf(link), kDarkBlue);
        QVERIFY(shell_->openedDocuments.isEmpty());
        pointer.release(Qt::LeftButton);
        QCOMPARE(shell_->openedDocuments, QStringList{kSite});

        // A press on the disclaimer keeps the moves with it, not with the box.
        pointer.moveTo(link);
        pointer.moveTo(form.Label3);
        pointer.press(Qt::LeftButton);
        pointer.moveTo(&form);
        QCOMPARE(colourOf(link), kBlue);
        pointer.release(Qt::LeftButton);
        pointer.moveTo(&form, kFreeArea + QPoint(5, 5));
        QCOMPARE(colourOf(link), kDarkBlue);
        QCOMPARE(shell_->openedDocuments, QStringList{kSite});
        pointer.click(link, Qt::LeftButton); // and a plain click
        QCOMPARE(shell_->openedDocuments, (QStringList{kSite, kSite}));
        QVERIFY(forms_->boxes.isEmpty());
        QVERIFY(form.isVisible());
    }

    void aboutOpensTheBoxModallyAndCloseUnloadsIt() {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<frmAbout*>(platform::loadedFormNamed("frmAbout"));
            QVERIFY(form);
            seen = form->isVisible() && form->isModal();
            QTest::mouseClick(form->cmdQuit, Qt::LeftButton);
        });
        mAbout_Click();
        QVERIFY(seen);
        QVERIFY(!platform::loadedFormNamed("frmAbout"));
    }
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmAbout.moc"
