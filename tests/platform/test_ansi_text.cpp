// Text crossing between Qt and the single-byte core: every Windows-1252 code survives
// the trip, and characters without a code are recognised.

#include "platform/ansi_text.h"

#include <QtTest>

class TestAnsiText : public QObject {
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
        QCOMPARE(text.mid(0x80, 1) + text.mid(0x91, 1) + text.mid(0x9F, 1),
                 QStringLiteral("\u20AC\u2018\u0178"));
        QCOMPARE(text.at(0xE9), QChar(0xE9));
    }
    void charactersWithoutCode() {
        for (const QString& text : {QStringLiteral("pass\u0416"), QStringLiteral("a\U0001F600")}) {
            QVERIFY(!platform::hasAnsiCodes(text));
            QVERIFY(platform::toAnsi(text).find('?') != std::string::npos);
        }
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "test_ansi_text.moc"
