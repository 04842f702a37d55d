// The tray object's record: what each operation sets, what it keeps, and when it calls.

#include "platform/ansi_text.h"
#include "platform/forms.h"
#include "shell/clsTray.h"
#include "shell/frmMain.h"
#include "support/fake_notification_icon.h"

#include <QtTest>

using namespace platform;

class TestTray : public QObject {
    Q_OBJECT

    QWidget target;

private Q_SLOTS:
    void changesBeforeShowIconMakeNoCall() {
        FakeNotificationIcon desktop;
        clsTray tray;
        QVERIFY(!tray.bRunningInTray());
        tray.ChangeIcon(&target, QIcon());
        tray.ChangeToolTip(&target, QStringLiteral("tip"));
        QVERIFY(desktop.calls.isEmpty());
    }

    void showIconFillsEveryField() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        QCOMPARE(desktop.calls.size(), 1);
        const auto& call = desktop.calls.first();
        QCOMPARE(call.operation, NIM_ADD);
        QCOMPARE(call.data.cbSize, 88u);
        QCOMPARE(call.data.hWnd.data(), &target);
        QCOMPARE(call.data.uID, 1u);
        QCOMPARE(call.data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        QCOMPARE(call.data.uCallbackMessage, WM_MOUSEMOVE);
        QCOMPARE(call.data.tip(), std::string("Veltrane"));
        const QIcon mainIcon = formSlot<frmMain>().get().windowIcon();
        QVERIFY(!mainIcon.isNull());
        QCOMPARE(call.data.hIcon.cacheKey(), mainIcon.cacheKey());
        QVERIFY(tray.bRunningInTray());
    }

    void toolTipKeepsAtMost63Characters_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("shown");
        for (const auto& [length, shown] :
             {std::pair{0, 0}, {1, 1}, {62, 62}, {63, 63}, {64, 63}, {100, 63}})
            QTest::addRow("%d", length) << length << shown;
    }
    void toolTipKeepsAtMost63Characters() {
        QFETCH(int, length);
        QFETCH(int, shown);
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(u'a' + i % 26);
        tray.ChangeToolTip(&target, text);
        QCOMPARE(desktop.calls.last().operation, NIM_MODIFY);
        const auto& tip = desktop.calls.last().data.szTip;
        QCOMPARE(desktop.calls.last().data.tip(), toAnsi(text.left(shown)));
        QCOMPARE(tip[63], '\0');
    }

    void modifyKeepsFieldsItDoesNotSet() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        const qint64 mainIconKey = desktop.calls.last().data.hIcon.cacheKey();
        tray.ChangeToolTip(&target, QStringLiteral("Locked"));
        QCOMPARE(desktop.calls.last().data.hIcon.cacheKey(), mainIconKey);

        const QIcon other(QPixmap(16, 16));
        tray.ChangeIcon(&target, other);
        const auto& record = desktop.calls.last().data;
        QCOMPARE(desktop.calls.last().operation, NIM_MODIFY);
        QCOMPARE(record.hIcon.cacheKey(), other.cacheKey());
        QCOMPARE(record.tip(), std::string("Locked"));
        QCOMPARE(record.uFlags, 7u);
        QCOMPARE(record.uCallbackMessage, WM_MOUSEMOVE);
        QCOMPARE(record.uID, 1u);
        QCOMPARE(desktop.calls.size(), 3);
    }

    void removeIconEmptiesTheTipAndStopsChanges() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        tray.RemoveIcon(&target);
        QCOMPARE(desktop.calls.last().operation, NIM_DELETE);
        QCOMPARE(desktop.calls.last().data.tip(), std::string());
        QCOMPARE(desktop.calls.last().data.uID, 1u);
        QCOMPARE(desktop.calls.last().data.uFlags, 7u); // kept from ShowIcon
        QVERIFY(!tray.bRunningInTray());
        tray.ChangeToolTip(&target, QStringLiteral("x"));
        tray.ChangeIcon(&target, QIcon());
        QCOMPARE(desktop.calls.size(), 2);
    }

    void flagFollowsTheCallsWhateverTheDesktopAnswers() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.RemoveIcon(&target); // nothing to remove: refused, still not running
        QVERIFY(!tray.bRunningInTray());
        tray.ShowIcon(&target);
        tray.ShowIcon(&target); // already there: refused, still running
        QVERIFY(tray.bRunningInTray());
        QCOMPARE(desktop.calls.size(), 3);
        QVERIFY(desktop.present);
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
