// The upgrade's real ending: the main window (and with it the tray icon) goes, and
// every running event loop ends, the modal window's and the program's own.

#include "platform/x11/forms.h"
#include "shell/x11/frmMain.h"
#include "update/x11/program_end.h"

#include <QDialog>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

class TestProgramEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endsEveryLoopAfterUnloadingTheMainWindow() {
        platform::formSlot<frmMain>().get();
        QDialog modal;
        QEventLoop program;
        bool modalReturned = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [] { endProgram(); });
            modal.exec();
            modalReturned = true;
        });
        // Should the ending miss this loop, it ends here with 99 instead.
        QTimer::singleShot(5000, &program, [&program] { program.exit(99); });
        const int code = program.exec();
        QCOMPARE(code, 0);
        QVERIFY(modalReturned);
        QVERIFY(!platform::formSlot<frmMain>().isLoaded());
    }
};

QTEST_MAIN(TestProgramEnd)
#include "test_program_end.moc"
