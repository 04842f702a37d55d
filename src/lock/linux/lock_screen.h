#pragma once
// One lock's own side, the same whichever window system covers the screens: the password
// box and its check on every key and click, the panel's lines (a wrong password for a
// few seconds, Caps Lock on), the reports to lockState() and the wrong tries told once
// the desktop is back. Its ScreenLock (screen_lock.h) hands it the keys and clicks and
// paints the panel from it.

#include "lock/lock_box.h"

#include <QObject>
#include <QString>
#include <string>

class QTimer;
class ScreenLock;

class LockScreen : public QObject {
    Q_OBJECT
public:
    // `cover` must outlive this; `password` (Windows-1252) is the text that unlocks.
    LockScreen(ScreenLock& cover, std::string password);
    // A lock that ends without the password (Quit unloads every window) is over all
    // the same.
    ~LockScreen() override;

    const LockBox& box() const { return box_; }
    bool showsWrongPassword() const;
    bool showsCapsLock() const { return capsLock_; }
    // The password was given, or the lock failed: nothing more is reported.
    bool finished() const { return finished_; }

    // A key went down: the check, then what the key does to the box.
    void keyDown(LockBox::Key key, const std::string& utf8);
    // A click on the desktop's picture or the banner: the check alone.
    void click();
    // Caps Lock may have changed (the cover is asked).
    void capsLockChanged();
    // The lock is on screen and holds the input: told to lockState() once.
    void held();
    // The lock could not be taken, or was lost without the password: lockState() is told
    // `why`, and a box says `boxText` unless it is empty.
    void fail(const QString& why, const QString& boxText);
    // The lock is given up to be tried again with another: nothing is reported.
    void discard() { finished_ = true; }

Q_SIGNALS:
    // The box's text or the lines changed: the panel is painted again.
    void panelChanged();

private:
    void unlock();

    ScreenLock& cover_;
    LockBox box_;
    QTimer* wrongShown_;
    bool capsLock_ = false;
    bool heldReported_ = false;
    bool finished_ = false;
};

// Tells lockState() why the desktop was not locked and shows `boxText` in a box. While
// that box is open, later refusals are told without a second box.
void refuseLock(const QString& why, const QString& boxText,
                const QString& title = QStringLiteral("Veltrane"));
