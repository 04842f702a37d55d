// Text crossing between Qt and the single-byte core: every Windows-1252 code survives
// the trip, and characters without a code are recognised.

#include "platform/ansi_text.h"

#include <QtTest>

class TestAnsiText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips() {
        std::string all;
        for (int code = 0; code < 256; ++code)
            all += static_cast<char>(code);
        const QString text = platform::fromAnsi(all);
        QCOMPARE(text.size(), 256);
        QVERIFY(platform::hasAnsiCodes(text));
        QCOMPARE(platform::toAnsi(text), all);
    }
    void knownCodes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("euro") << QStringLiteral("\u20AC") << QByteArray("\x80");
        QTest::newRow("e acute") << QStringLiteral("\u00E9") << QByteArray("\xE9");
        QTest::newRow("left quote") << QStringLiteral("\u2018") << QByteArray("\x91");
        QTest::newRow("y diaeresis") << QStringLiteral("\u0178") << QByteArray("\x9F");
    }
    void knownCodes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(platform::toAnsi(text)), bytes);
        QCOMPARE(platform::fromAnsi(bytes.toStdString()), text);
    }
    void charactersWithoutCode_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("cyrillic") << QStringLiteral("pass\u0416");
        QTest::newRow("cjk") << QStringLiteral("\u4E2D");
        QTest::newRow("emoji") << QStringLiteral("a\U0001F600");
        QTest::newRow("polish l") << QStringLiteral("\u0142");
    }
    void charactersWithoutCode() {
        QFETCH(QString, text);
        QVERIFY(!platform::hasAnsiCodes(text));
        QVERIFY(platform::toAnsi(text).find('?') != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "test_ansi_text.moc"
