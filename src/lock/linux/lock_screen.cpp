#include "lock/linux/lock_screen.h"

#include "lock/linux/lock_state.h"
#include "lock/linux/screen_lock.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms_services.h"

#include <QCoreApplication>
#include <QTimer>

LockScreen::LockScreen(ScreenLock& cover, std::string password)
    : cover_(cover), box_(std::move(password)), wrongShown_(new QTimer(this)) {
    wrongShown_->setSingleShot(true);
    wrongShown_->setInterval(kWrongPasswordShownMs);
    connect(wrongShown_, &QTimer::timeout, this, &LockScreen::panelChanged);
}

LockScreen::~LockScreen() {
    if (finished_)
        return;
    if (heldReported_)
        lockState().end();
    else if (lockState().underWay())
        lockState().refuse(QStringLiteral("the lock ended before it held"));
}

bool LockScreen::showsWrongPassword() const {
    return wrongShown_->isActive();
}

void LockScreen::keyDown(LockBox::Key key, const std::string& utf8) {
    if (finished_)
        return;
    switch (box_.keyDown(key, utf8)) {
    case LockBox::Answer::Unlock:
        unlock();
        return;
    case LockBox::Answer::WrongPassword:
        wrongShown_->start(); // from the latest wrong try
        break;
    case LockBox::Answer::None:
        break;
    }
    Q_EMIT panelChanged();
    capsLockChanged();
}

void LockScreen::click() {
    if (!finished_ && box_.matches())
        unlock();
}

void LockScreen::capsLockChanged() {
    const bool on = !finished_ && cover_.capsLockOn();
    if (on == capsLock_)
        return;
    capsLock_ = on;
    Q_EMIT panelChanged();
}

void LockScreen::held() {
    if (finished_ || heldReported_)
        return;
    heldReported_ = true;
    lockState().held();
}

void LockScreen::fail(const QString& why, const QString& boxText) {
    if (finished_)
        return;
    finished_ = true;
    if (boxText.isEmpty())
        lockState().refuse(why);
    else
        refuseLock(why, boxText); // its box lets events run: this lock may go meanwhile
}

void LockScreen::unlock() {
    finished_ = true;
    const std::string tries = wrongTriesText(box_.wrongTries());
    cover_.giveBack();
    lockState().end();
    // Told once the desktop is back: someone may have tried while the user was away.
    if (!tries.empty())
        QTimer::singleShot(0, qApp, [text = platform::fromAnsi(tries)] {
            platform::forms().msgBox(text, platform::vbInformation, QStringLiteral("Veltrane"));
        });
}

void refuseLock(const QString& why, const QString& boxText, const QString& title) {
    static bool boxOpen = false;
    lockState().refuse(why);
    if (boxOpen)
        return;
    boxOpen = true;
    try {
        platform::forms().msgBox(boxText, platform::vbCritical, title);
    } catch (...) {
    }
    boxOpen = false;
}
