// The tray record's icon and tip changes, which nothing calls yet. The menu and its
// refresh are driven for real by tests/whole/test_shell.py.

#include "platform/x11/notification_icon.h"
#include "shell/x11/clsTray.h"

#include <QSystemTrayIcon>
#include <QtTest>

class TestPasswordMenu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each keeps the icon's other field as it is; the tip is cut to what the tray shows.
    void trayChangesIconAndToolTip() {
        QWidget target;
        clsTray tray;
        tray.ShowIcon(&target);
        auto* icon =
            dynamic_cast<QObject&>(platform::notificationIcon()).findChild<QSystemTrayIcon*>();
        QVERIFY(icon && icon->isVisible());
        tray.ChangeToolTip(&target, QString(70, u'a'));
        QCOMPARE(icon->toolTip(), QString(63, u'a'));
        const QIcon other(QPixmap(16, 16));
        tray.ChangeIcon(&target, other);
        QCOMPARE(icon->icon().cacheKey(), other.cacheKey());
        QCOMPARE(icon->toolTip(), QString(63, u'a'));
        tray.RemoveIcon(&target);
        QVERIFY(!icon->isVisible());
    }
};

QTEST_MAIN(TestPasswordMenu)
#include "test_password_menu.moc"
