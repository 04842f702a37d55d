#include "shell/x11/frmMain.h"

#include "platform/application.h"
#include "platform/x11/forms.h"
#include "platform/x11/on_error.h"
#include "shell/mdlKeyCode.h"
#include "shell/menu_commands.h"
#include "shell/x11/frmMenu.h"
#include "shell/x11/program_icon.h"
#include "update/update_decisions.h"

#include <QCursor>
#include <QKeyEvent>

using platform::continueOnError;

frmMain::frmMain() : helpCommand(mContents_Click) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Veltrane"));
    setWindowIcon(programIcon());
    picTray = new QWidget(this);
    picTray->setObjectName(QStringLiteral("picTray"));
    picTray->setGeometry(0, 0, 32, 32);
    picTray->installEventFilter(this);
    lblVersion = new QLabel(QString::fromLatin1(kRunningVersion), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->move(0, 40);
}

frmMain::~frmMain() {
    removeTrayIcon();
}

void frmMain::removeTrayIcon() noexcept {
    continueOnError([this] { objTray().RemoveIcon(picTray); });
    objTray_.reset();
}

clsTray& frmMain::objTray() {
    if (!objTray_)
        objTray_ = std::make_unique<clsTray>();
    return *objTray_;
}

void frmMain::Form_Load() {
    bool another = false;
    continueOnError([&] { another = platform::application().prevInstance(); });
    if (another) {
        platform::application().endProcess(0);
        return;
    }
    continueOnError([this] { objTray().RemoveIcon(picTray); });
    continueOnError([this] { watchTrayMenu(); });
    continueOnError([this] { objTray().ShowIcon(picTray); });
    continueOnError([this] { setKeyPreview(true); });
    continueOnError([] { refreshPasswordMenu(); });
    continueOnError([this] { hide(); });
}

void frmMain::picTray_MouseMove(uint32_t lParam) {
    if (!objTray().bRunningInTray())
        return;
    // Panels that send only clicks (status-notifier hosts) send the left one: both open
    // the menu. While locked a menu would take the lock's grabs, and its commands (Quit)
    // end it.
    const uint32_t message = lParam & 0xFFFF;
    if ((message != platform::WM_RBUTTONUP && message != platform::WM_LBUTTONUP) || desktopLocked())
        return;
    prepareTrayMenu();
    // Makes a click anywhere outside the menu close it.
    activateWindow();
    QMenu* popup = platform::formSlot<frmMenu>().get().mFile;
    poppingUp_ = true;
    popup->exec(QCursor::pos());
    poppingUp_ = false;
}

void frmMain::prepareTrayMenu() {
    const bool locked = desktopLocked();
    platform::formSlot<frmMenu>().get().setCommandsEnabled(!locked);
    if (!locked)
        refreshPasswordMenu();
}

void frmMain::watchTrayMenu() {
    // A panel that draws the menu itself says when it is about to show it.
    connect(platform::formSlot<frmMenu>().get().mFile, &QMenu::aboutToShow, this, [this] {
        if (!poppingUp_)
            continueOnError([this] { prepareTrayMenu(); });
    });
}

void frmMain::setKeyPreview(bool on) {
    keyPreview_ = on;
    if (on) {
        for (QWidget* control : findChildren<QWidget*>())
            control->installEventFilter(this);
    }
}

bool frmMain::Form_KeyDown(int key) {
    if (key != Qt::Key_F1)
        return false;
    if (helpCommand)
        helpCommand();
    return true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == platform::NotifyIconCallbackEvent::eventType() && watched == picTray) {
        const auto* callback = static_cast<platform::NotifyIconCallbackEvent*>(event);
        if (callback->message == platform::WM_MOUSEMOVE)
            continueOnError([&] { picTray_MouseMove(callback->lParam); });
        return true;
    }
    // Key preview: the window sees its controls' keys first.
    if (keyPreview_ && event->type() == QEvent::KeyPress && watched != this &&
        isAncestorOf(qobject_cast<QWidget*>(watched))) {
        bool handled = false;
        continueOnError([&] { handled = Form_KeyDown(static_cast<QKeyEvent*>(event)->key()); });
        return handled;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    continueOnError([&] { handled = Form_KeyDown(event->key()); });
    if (!handled)
        QWidget::keyPressEvent(event);
}
