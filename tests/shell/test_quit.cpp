// Quit: the loaded forms unload in a fixed order, the icon goes, the event loop ends.

#include "platform/forms.h"
#include "shell/frmMain.h"
#include "shell/menu_commands.h"
#include "support/fake_application.h"
#include "support/fake_notification_icon.h"
#include "support/scratch_folder.h"

#include <QTimer>
#include <QtTest>

using namespace platform;

namespace {

QStringList unloaded;

QWidget* loadForm(const QString& name) {
    auto* form = new QWidget;
    form->setObjectName(name);
    LoadedForms::add(form);
    QObject::connect(form, &QObject::destroyed, [name] { unloaded.append(name); });
    return form;
}

} // namespace

class TestQuit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unloadsInOrderRemovesTheIconAndEnds() {
        ScratchFolder folder;
        FakeApplication application;
        FakeNotificationIcon desktop;
        // Loaded in another order than the one Quit uses; frmAdmin is not loaded.
        loadForm(QStringLiteral("frmUpdate"));
        loadForm(QStringLiteral("frmHelp"));
        frmMain& main = formSlot<frmMain>().get();
        QObject::connect(&main, &QObject::destroyed, [] { unloaded.append("frmMain"); });
        main.Form_Load(); // loads frmMenu too
        QObject::connect(loadedFormNamed(QStringLiteral("frmMenu")), &QObject::destroyed,
                         [] { unloaded.append("frmMenu"); });
        loadForm(QStringLiteral("frmAbout"));
        loadForm(QStringLiteral("Form1"));
        QWidget* other = loadForm(QStringLiteral("frmSomethingElse"));
        QVERIFY(desktop.present);

        QTimer::singleShot(0, [] { mExit_Click(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(LoadedForms::all(), QList<QWidget*>{other});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(unloaded,
                 (QStringList{"Form1", "frmAbout", "frmHelp", "frmMain", "frmMenu", "frmUpdate"}));
        QVERIFY(!desktop.present);
        QCOMPARE(desktop.calls.last().operation, NIM_DELETE);
        QVERIFY(!formSlot<frmMain>().isLoaded());
        delete other;
    }
};

QTEST_MAIN(TestQuit)
#include "test_quit.moc"
