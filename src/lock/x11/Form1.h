#pragma once
// The X11 lock screen (the X11 side of lock/linux/screen_lock.h): a frozen picture of the
// desktop over every screen, the password panel and the travelling banner, as its
// LockScreen has them. Loading it (constructing) runs the whole set-up and shows it; one
// made ahead (Form1(Ahead)) has its controls and windows, hidden, with no password and no
// picture, until Form_Load runs the set-up. The stored password typed into Text1 unloads
// it. It shows only once it holds the keyboard and the pointer; while it is loaded it
// refuses to close, keeps both, follows every screen's geometry and stays above every
// other window.

#include "lock/linux/lock_screen.h"
#include "lock/linux/screen_lock.h"
#include "lock/lock_geometry.h"
#include "lock/x11/screen_capture.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;
class QScreen;
class QTimer;
class LockCover;
class FrozenPicture;
class LockBanner;
class LockPanel;
class LockTextBox;
class PanelLines;

class Form1 : public QWidget, private ScreenLock {
    Q_OBJECT
public:
    Form1();
    // Made while the desktop is unlocked, for a lock to come: nothing shown, nothing held.
    struct Ahead {};
    explicit Form1(Ahead);
    ~Form1() override;

    // The set-up: the password stored now, the desktop's picture taken now, the input
    // held, the window shown. Once per form.
    void Form_Load();

    QWidget* Image1;              // the snapshot; clicks on it reach the form
    QWidget* Picture2;            // the panel artwork; clicks on it check nothing
    LockTextBox* Text1 = nullptr; // the password box, a child of the panel (from the set-up)
    QLabel* Label1;               // the travelling banner
    // One banner step every 75 ms, while shown; every other step also runs Timer2_Timer,
    // which keeps the window in front, active and holding the grabs.
    QTimer* Timer1;

    // The password check: unloads the form when Text1 holds exactly strLockPassword.
    void Form_Click();
    // A key went down: the check, then what the key does to the box.
    void Form_KeyDown(const QKeyEvent& event);
    void Label1_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // The windows covering the other screens.
    QList<LockCover*> covers() const { return covers_.values(); }
    bool holdsGrabs() const { return keyboardHeld_ && pointerHeld_; }
    // False when another program held the keyboard or the pointer for the whole time the
    // set-up waited for them: the window was never shown and must be unloaded.
    bool isLocked() const { return locked_; }
    bool keyboardRefused() const { return !keyboardHeld_; }
    // What it shows and checks: the box, the panel's lines (from the set-up on).
    LockScreen& screen() { return *screen_; }

Q_SIGNALS:
    // The lock is on screen: its panel has been painted for the first time.
    void shownOnScreen();
    // The lock is on screen and holds the keyboard and the pointer: once per lock.
    void lockHeld();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void giveBack() override;
    bool capsLockOn() const override;
    bool holdInput();
    void fitToScreen();
    void fitScreens();
    void followScreen(QScreen* screen);
    void startLock();
    void takeGrabs();
    void addCover(QScreen* screen);
    void removeCover(QScreen* screen);
    void watch(QWidget* window);
    void renewWindow(QWidget* window);
    void retakeGrabs();
    void reportHeld();
    void placeBanner();
    void endLock();
    QList<QWidget*> lockWindows() const;

    std::unique_ptr<LockScreen> screen_;
    lockgeo::LockFace face_;

    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    FrozenPicture* picture_;
    LockBanner* banner_;
    LockPanel* panel_;
    PanelLines* lines_;
    QPointer<QScreen> homeScreen_; // the screen this window covers; the others get covers
    QTimer* grabRetry_;
    QHash<QScreen*, LockCover*> covers_;
    bool locked_ = false;
    bool renewing_ = false;
    int ticksSinceGrabCheck_ = 0;
    int stepsSinceStayInFront_ = 0;
    int grabAttempts_ = 0;
    bool keyboardHeld_ = false;
    bool pointerHeld_ = false;
    bool painted_ = false;
    bool heldReported_ = false;
};
