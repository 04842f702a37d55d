// The real input box shows its prompt exactly as given (the Forgot prompt is the user's
// own question, which may hold markup-like text or "&") where it was asked to.

#include "platform/qt_forms_services.h"

#include <QInputDialog>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestQtFormsServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inputBoxShowsThePromptAsTypedWhereAsked() {
        const QString prompt = QStringLiteral("<b>Tom</b> & Jerry?");
        int shownWidth = -1;
        int literalWidth = 0;
        QPoint at;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box)
                return;
            const QLabel* label = box->findChild<QLabel*>();
            QLabel literal(prompt);
            literal.setTextFormat(Qt::PlainText);
            literal.setFont(label->font());
            shownWidth = label->sizeHint().width();
            literalWidth = literal.sizeHint().width();
            at = box->pos();
            box->reject();
        });
        platform::QtFormsServices forms;
        const platform::ScreenTwips screen = forms.screen();
        const QString typed =
            forms.inputBox(prompt, "Q", 2.5 * screen.twipsPerPixelX, 1.5 * screen.twipsPerPixelY);
        QVERIFY(typed.isEmpty());
        QCOMPARE(shownWidth, literalWidth);
        QCOMPARE(at, QPoint(2, 2)); // 2.5 and 1.5 pixels, halves to even
    }
};

QTEST_MAIN(TestQtFormsServices)
#include "test_qt_forms_services.moc"
