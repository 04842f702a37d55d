// The about box: the clicks that open the web site and those that do not.
// tests/whole/test_help.py opens it from the tray and checks how it looks and the link's
// colours under the pointer.

#include "help/frmAbout.h"
#include "platform/forms.h"
#include "support/fake_forms_services.h"
#include "support/fake_shell.h"

#include <QLabel>
#include <QTest>

namespace {

const QString kSite = QStringLiteral("https://www.corvenna.com");
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
        QVERIFY(forms_->boxes.isEmpty());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmAbout.moc"
