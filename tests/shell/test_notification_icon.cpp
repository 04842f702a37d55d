// The real notification-icon service: which mouse message each click on the icon
// becomes, and the right button's press held back until its release.

#include "platform/qt_notification_icon.h"

#include <QSystemTrayIcon>
#include <QtTest>

using namespace platform;

namespace {

// A window that records the icon's mouse messages.
class CallbackTarget : public QWidget {
public:
    QList<uint32_t> messages;

protected:
    bool event(QEvent* event) override {
        if (event->type() == NotifyIconCallbackEvent::eventType()) {
            const auto* callback = static_cast<NotifyIconCallbackEvent*>(event);
            // Anything but the callback message the record asked for is recorded as 0.
            messages.append(
                callback->message == WM_MOUSEMOVE && callback->wParam == 1 ? callback->lParam : 0);
            return true;
        }
        return QWidget::event(event);
    }
};

NOTIFYICONDATA recordFor(QWidget* target) {
    NOTIFYICONDATA record;
    record.cbSize = 88;
    record.hWnd = target;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_MOUSEMOVE;
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    record.hIcon = QIcon(picture);
    const char tip[] = "Veltrane";
    std::copy(std::begin(tip), std::end(tip), record.szTip.begin());
    return record;
}

} // namespace

class TestNotificationIcon : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> pointerArea_;

private Q_SLOTS:
    void operationsApplyOnlyInTheRightState() {
        CallbackTarget target;
        QtNotificationIcon service;
        const auto record = recordFor(&target);
        QVERIFY(!service.shellNotifyIcon(NIM_MODIFY, record));
        QVERIFY(!service.shellNotifyIcon(NIM_DELETE, record));
        QVERIFY(service.shellNotifyIcon(NIM_ADD, record));
        QVERIFY(!service.shellNotifyIcon(NIM_ADD, record));
        auto* tray = service.findChild<QSystemTrayIcon*>();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), QStringLiteral("Veltrane"));
        QVERIFY(tray->isVisible());
        auto changed = record;
        changed.szTip.fill('\0');
        changed.szTip[0] = '\xe9'; // Windows-1252 e acute
        QVERIFY(service.shellNotifyIcon(NIM_MODIFY, changed));
        QCOMPARE(tray->toolTip(), QStringLiteral("\u00e9"));
        QVERIFY(service.shellNotifyIcon(NIM_DELETE, record));
        QVERIFY(!tray->isVisible());
    }

    void clicksBecomeMouseMessages_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QList<uint32_t>>("messages");
        QTest::newRow("left click")
            << int(QSystemTrayIcon::Trigger) << QList<uint32_t>{WM_LBUTTONUP};
        QTest::newRow("double click")
            << int(QSystemTrayIcon::DoubleClick) << QList<uint32_t>{WM_LBUTTONDBLCLK};
        QTest::newRow("middle click")
            << int(QSystemTrayIcon::MiddleClick) << QList<uint32_t>{WM_MBUTTONUP};
        QTest::newRow("right button, already up")
            << int(QSystemTrayIcon::Context) << QList<uint32_t>{WM_RBUTTONUP};
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QList<uint32_t>{};
    }
    void clicksBecomeMouseMessages() {
        QFETCH(int, reason);
        QFETCH(QList<uint32_t>, messages);
        CallbackTarget target;
        QtNotificationIcon service;
        service.shellNotifyIcon(NIM_ADD, recordFor(&target));
        Q_EMIT service.findChild<QSystemTrayIcon*>()->activated(
            static_cast<QSystemTrayIcon::ActivationReason>(reason));
        QCOMPARE(target.messages, messages);
    }

    // A window to press the mouse buttons on: Qt's idea of the held buttons follows it.
    void init() {
        pointerArea_ = std::make_unique<QWidget>();
        pointerArea_->resize(100, 100);
        pointerArea_->show();
        QVERIFY(QTest::qWaitForWindowExposed(pointerArea_.get()));
    }
    void cleanup() { pointerArea_.reset(); }

    void rightButtonPressWaitsForTheRelease() {
        CallbackTarget target;
        QWidget& pointerArea = *pointerArea_;
        QtNotificationIcon service;
        service.shellNotifyIcon(NIM_ADD, recordFor(&target));

        QTest::mousePress(&pointerArea, Qt::RightButton);
        QVERIFY(QGuiApplication::mouseButtons() & Qt::RightButton);
        Q_EMIT service.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Context);
        QTest::qWait(100);
        QVERIFY(target.messages.isEmpty());
        QTest::mouseRelease(&pointerArea, Qt::RightButton);
        QTRY_COMPARE_WITH_TIMEOUT(target.messages, QList<uint32_t>{WM_RBUTTONUP}, 1000);
    }

    void removingTheIconDropsAHeldPress() {
        CallbackTarget target;
        QWidget& pointerArea = *pointerArea_;
        QtNotificationIcon service;
        const auto record = recordFor(&target);
        service.shellNotifyIcon(NIM_ADD, record);
        QTest::mousePress(&pointerArea, Qt::RightButton);
        Q_EMIT service.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Context);
        service.shellNotifyIcon(NIM_DELETE, record);
        QTest::mouseRelease(&pointerArea, Qt::RightButton);
        QTest::qWait(100);
        QVERIFY(target.messages.isEmpty());
    }

    void noCallbackWithoutTheMessageFlag() {
        CallbackTarget target;
        QtNotificationIcon service;
        auto record = recordFor(&target);
        record.uFlags = NIF_ICON | NIF_TIP;
        service.shellNotifyIcon(NIM_ADD, record);
        Q_EMIT service.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(target.messages.isEmpty());
    }
};

QTEST_MAIN(TestNotificationIcon)
#include "test_notification_icon.moc"
