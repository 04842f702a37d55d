// Text crossing between Qt and the single-byte core: every Windows-1252 code survives the
// trip and characters without a code are recognised; the real input box shows its prompt
// exactly as given (the Forgot prompt is the user's own question, which may hold
// markup-like text or "&") where it was asked to, and is wider than its title.

#include "platform/x11/ansi_text.h"
#include "platform/x11/qt_forms_services.h"

#include <QInputDialog>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestQtText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyCodeRoundTrips() {
        std::string all;
        for (int code = 0; code < 256; ++code)
            all += static_cast<char>(code);
        const QString text = platform::fromAnsi(all);
        QVERIFY(platform::hasAnsiCodes(text));
        QCOMPARE(platform::toAnsi(text), all);
        // The codes where Windows-1252 and Latin-1 part.
        QCOMPARE(text.mid(0x80, 1) + text.mid(0x91, 1) + text.mid(0x9F, 1) + text.mid(0xE9, 1),
                 QStringLiteral("\u20AC\u2018\u0178\u00E9"));
        for (const QString& other : {QStringLiteral("pass\u0416"), QStringLiteral("a\U0001F600")}) {
            QVERIFY(!platform::hasAnsiCodes(other));
            QVERIFY(platform::toAnsi(other).find('?') != std::string::npos);
        }
    }

    void inputBoxShowsThePromptAsTypedWhereAsked() {
        const QString prompt = QStringLiteral("<b>Tom</b> & Jerry?");
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->reject(); // first: a failed check below returns at once
            const QLabel* label = box->findChild<QLabel*>();
            QLabel plain(prompt);
            plain.setTextFormat(Qt::PlainText);
            plain.setFont(label->font());
            QCOMPARE(label->sizeHint(), plain.sizeHint());
            QCOMPARE(box->pos(), QPoint(2, 2)); // 2.5 and 1.5 pixels, halves to even
            QFont bold = box->font();
            bold.setBold(true);
            QVERIFY(box->width() > QFontMetrics(bold).horizontalAdvance(box->windowTitle()));
        });
        platform::QtFormsServices forms;
        const platform::ScreenTwips screen = forms.screen();
        QVERIFY(forms
                    .inputBox(prompt, "Password Reminder of a Long Title",
                              2.5 * screen.twipsPerPixelX, 1.5 * screen.twipsPerPixelY)
                    .isEmpty());
    }
};

QTEST_MAIN(TestQtText)
#include "test_qt_text.moc"
