// The lock on a desktop of two screens side by side (1024 x 768 each): the second gets a
// cover with its own part of the snapshot, which checks the password on a click.

#include "lock/Form1.h"
#include "lock/lock_cover.h"
#include "platform/forms.h"
#include "shell/menu_commands.h"
#include "store/password_file.h"
#include "support/fake_forms_services.h"
#include "support/fake_screen_capture.h"
#include "support/fake_window_order.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

class LockCoversTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondScreenGetsItsPartOfTheSnapshot() {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        ScratchFolder folder;
        FakeFormsServices forms;
        FakeScreenCapture capture;
        FakeWindowOrder order;
        capture.desktop.picture = QImage(2048, 768, QImage::Format_RGB32);
        capture.desktop.picture.fill(QColor(0, 0, 255));
        QPainter(&capture.desktop.picture).fillRect(1024, 0, 1024, 768, QColor(255, 255, 0));
        folder.write(kPasswordFileName, *passwordFileContents("pw", "Pet? = rex", 1));

        mnuShowMe_Click();
        Form1* form = platform::formSlot<Form1>().loaded();
        QVERIFY(form);
        QCOMPARE(form->geometry(), QRect(0, 0, 1024, 768));
        QCOMPARE(form->Image1->pixmap().toImage().pixelColor(1000, 10), QColor(0, 0, 255));
        const QList<LockCover*> covers = form->covers();
        QCOMPARE(covers.size(), 1);
        LockCover* cover = covers.first();
        QCOMPARE(cover->geometry(), QRect(1024, 0, 1024, 768));
        QVERIFY(cover->isVisible());
        QVERIFY(cover->windowFlags() & Qt::X11BypassWindowManagerHint);
        QVERIFY(cover->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(cover->grab().toImage().pixelColor(10, 10), QColor(255, 255, 0));
        QVERIFY(order.watched.contains(cover));
        // The lock window is raised above the cover it may overlap.
        QVERIFY(order.calls.indexOf(QStringLiteral("watch LockCover")) <
                order.calls.lastIndexOf(QStringLiteral("raise Form1")));
        QVERIFY(!cover->close());

        // Stay in front looks after every lock window.
        order.onTop = false;
        form->Timer2_Timer();
        QVERIFY(order.calls.contains(QStringLiteral("isOnTop LockCover")));
        QCOMPARE(order.calls.last(), QStringLiteral("raise LockCover"));

        // A click on the cover checks; a wrong text stays locked, the right one unlocks.
        QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(platform::formSlot<Form1>().isLoaded());
        form->Text1->setText(QStringLiteral("pw"));
        QPointer<LockCover> watchCover = cover;
        QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!platform::formSlot<Form1>().isLoaded());
        QVERIFY(order.watched.isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watchCover.isNull());
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96},
        {"name": "right", "x": 1024, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    LockCoversTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_covers.moc"
