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
    void recordThroughTheIconsLife() {
        FakeNotificationIcon desktop;
        clsTray tray;
        const auto last = [&desktop] { return desktop.calls.last(); };
        tray.ChangeIcon(&target, QIcon());
        tray.ChangeToolTip(&target, QStringLiteral("tip"));
        QVERIFY(desktop.calls.isEmpty());
        tray.RemoveIcon(&target); // nothing to remove: refused, still not running
        QCOMPARE(last().data.uID, 1u);
        QVERIFY(!tray.bRunningInTray());

        tray.ShowIcon(&target);
        tray.ShowIcon(&target); // already there: refused, still running
        QVERIFY(tray.bRunningInTray());
        QCOMPARE(last().operation, NIM_ADD);
        QCOMPARE(last().data.cbSize, 88u);
        QCOMPARE(last().data.hWnd.data(), &target);
        QCOMPARE(last().data.uID, 1u);
        QCOMPARE(last().data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        QCOMPARE(last().data.uCallbackMessage, WM_MOUSEMOVE);
        QCOMPARE(last().data.tip(), std::string("Veltrane"));
        const QIcon mainIcon = formSlot<frmMain>().get().windowIcon();
        QVERIFY(!mainIcon.isNull());
        QCOMPARE(last().data.hIcon.cacheKey(), mainIcon.cacheKey());

        tray.ChangeToolTip(&target, QStringLiteral("Locked"));
        QCOMPARE(last().data.hIcon.cacheKey(), mainIcon.cacheKey());
        const QIcon other(QPixmap(16, 16));
        tray.ChangeIcon(&target, other);
        QCOMPARE(last().operation, NIM_MODIFY);
        QCOMPARE(last().data.hIcon.cacheKey(), other.cacheKey());
        QCOMPARE(last().data.tip(), std::string("Locked"));
        QCOMPARE(last().data.uFlags, 7u);

        tray.RemoveIcon(&target);
        QCOMPARE(last().operation, NIM_DELETE);
        QCOMPARE(last().data.tip(), std::string());
        QCOMPARE(last().data.uFlags, 7u);
        QVERIFY(!tray.bRunningInTray());
        tray.ChangeToolTip(&target, QStringLiteral("x"));
        tray.ChangeIcon(&target, QIcon());
        QCOMPARE(desktop.calls.size(), 6);
    }

    void toolTipKeepsAtMost63Characters() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        for (const int length : {63, 64}) {
            const QString text = QString(length - 1, u'a') + u'z';
            tray.ChangeToolTip(&target, text);
            QCOMPARE(desktop.calls.last().data.tip(), toAnsi(text.left(63)));
            QCOMPARE(desktop.calls.last().data.szTip[63], '\0');
        }
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
