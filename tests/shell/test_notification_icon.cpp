// The real notification-icon service: which mouse message each click on the icon
// becomes, and the right button's press held back until its release.

#include "platform/qt_notification_icon.h"
#include "shell/clsTray.h"
#include "support/fake_notification_icon.h"

#include <QSystemTrayIcon>
#include <QtTest>

using namespace platform;

namespace {

// A window that records the icon's mouse messages.
struct CallbackTarget : QWidget {
    QList<uint32_t> messages;

    bool event(QEvent* event) override {
        if (event->type() != NotifyIconCallbackEvent::eventType())
            return QWidget::event(event);
        const auto* callback = static_cast<NotifyIconCallbackEvent*>(event);
        // Recorded as 0 unless it carries the record's callback message and icon id.
        messages.append(
            callback->message == WM_MOUSEMOVE && callback->wParam == 1 ? callback->lParam : 0);
        return true;
    }
};

} // namespace

class TestNotificationIcon : public QObject {
    Q_OBJECT

    CallbackTarget target;
    NOTIFYICONDATA record;
    std::unique_ptr<QtNotificationIcon> service;
    QWidget pointerArea; // Qt's idea of the held buttons follows presses on it

    void activate(QSystemTrayIcon::ActivationReason reason) {
        Q_EMIT service->findChild<QSystemTrayIcon*>()->activated(reason);
    }

private Q_SLOTS:
    void initTestCase() {
        FakeNotificationIcon desktop;
        clsTray tray;
        tray.ShowIcon(&target);
        record = tray.record(); // the program's own record
        pointerArea.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pointerArea));
    }
    void init() {
        target.messages.clear();
        service = std::make_unique<QtNotificationIcon>();
    }

    void operationsApplyOnlyInTheRightState() {
        QVERIFY(!service->shellNotifyIcon(NIM_MODIFY, record));
        QVERIFY(!service->shellNotifyIcon(NIM_DELETE, record));
        QVERIFY(service->shellNotifyIcon(NIM_ADD, record));
        QVERIFY(!service->shellNotifyIcon(NIM_ADD, record));
        auto* tray = service->findChild<QSystemTrayIcon*>();
        QCOMPARE(tray->toolTip(), QStringLiteral("Veltrane"));
        QVERIFY(tray->isVisible());
        auto changed = record;
        changed.szTip = {'\xe9'}; // Windows-1252 e acute
        QVERIFY(service->shellNotifyIcon(NIM_MODIFY, changed));
        QCOMPARE(tray->toolTip(), QStringLiteral("\u00e9"));
        QVERIFY(service->shellNotifyIcon(NIM_DELETE, record));
        QVERIFY(!tray->isVisible());
    }

    void clicksBecomeMouseMessages_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<uint32_t>("flags");
        QTest::addColumn<QList<uint32_t>>("messages");
        const uint32_t all = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        QTest::newRow("left click")
            << int(QSystemTrayIcon::Trigger) << all << QList<uint32_t>{WM_LBUTTONUP};
        QTest::newRow("double click")
            << int(QSystemTrayIcon::DoubleClick) << all << QList<uint32_t>{WM_LBUTTONDBLCLK};
        QTest::newRow("middle click")
            << int(QSystemTrayIcon::MiddleClick) << all << QList<uint32_t>{WM_MBUTTONUP};
        QTest::newRow("right button, already up")
            << int(QSystemTrayIcon::Context) << all << QList<uint32_t>{WM_RBUTTONUP};
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << all << QList<uint32_t>{};
        QTest::newRow("no message flag")
            << int(QSystemTrayIcon::DoubleClick) << (NIF_ICON | NIF_TIP) << QList<uint32_t>{};
    }
    void clicksBecomeMouseMessages() {
        QFETCH(int, reason);
        QFETCH(uint32_t, flags);
        QFETCH(QList<uint32_t>, messages);
        auto flagged = record;
        flagged.uFlags = flags;
        service->shellNotifyIcon(NIM_ADD, flagged);
        activate(static_cast<QSystemTrayIcon::ActivationReason>(reason));
        QCOMPARE(target.messages, messages);
    }

    void rightButtonPressWaitsForTheRelease() {
        service->shellNotifyIcon(NIM_ADD, record);
        QTest::mousePress(&pointerArea, Qt::RightButton);
        QVERIFY(QGuiApplication::mouseButtons() & Qt::RightButton);
        activate(QSystemTrayIcon::Context);
        QTest::qWait(100);
        QVERIFY(target.messages.isEmpty());
        QTest::mouseRelease(&pointerArea, Qt::RightButton);
        QTRY_COMPARE_WITH_TIMEOUT(target.messages, QList<uint32_t>{WM_RBUTTONUP}, 1000);

        // Removing the icon drops a held press.
        QTest::mousePress(&pointerArea, Qt::RightButton);
        activate(QSystemTrayIcon::Context);
        service->shellNotifyIcon(NIM_DELETE, record);
        QTest::mouseRelease(&pointerArea, Qt::RightButton);
        QTest::qWait(100);
        QCOMPARE(target.messages, QList<uint32_t>{WM_RBUTTONUP});
    }
};

QTEST_MAIN(TestNotificationIcon)
#include "test_notification_icon.moc"
