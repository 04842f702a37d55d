// The real input box shows its prompt exactly as given: the Forgot prompt is the user's
// own question, which may hold markup-like text or "&".

#include "platform/qt_forms_services.h"

#include <QInputDialog>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestQtFormsServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inputBoxShowsThePromptAsTyped() {
        const QString prompt = QStringLiteral("<b>Tom</b> & Jerry?");
        int shownWidth = -1;
        int literalWidth = 0;
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
            box->reject();
        });
        const QString typed = platform::QtFormsServices().inputBox(prompt, "Q", 0, 0);
        QVERIFY(typed.isEmpty());
        QCOMPARE(shownWidth, literalWidth);
    }
};

QTEST_MAIN(TestQtFormsServices)
#include "test_qt_forms_services.moc"
