#pragma once
// The lock screen: a frozen picture of the desktop over every screen, the password panel
// and the travelling banner. Loading it (constructing) runs the whole set-up and shows it;
// the stored password typed into Text1 unloads it. It shows only once it holds the
// keyboard and the pointer; while it is loaded it refuses to close, keeps both, follows
// every screen's geometry and stays above every other window.

#include "lock/lock_box.h"
#include "lock/x11/screen_capture.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QLabel;
class QScreen;
class QTimer;
class LockCover;
class FrozenPicture;
class LockBanner;
class LockTextBox;
class PanelLines;

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1();
    ~Form1() override;

    QWidget* Image1;    // the snapshot; clicks on it reach the form
    QWidget* Picture2;  // the panel artwork; clicks on it check nothing
    LockTextBox* Text1; // the password box, a child of the panel
    QLabel* Label1;     // the travelling banner
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

    // The banner's and panel's left edges in twips (the widgets hold whole pixels only).
    double bannerLeft() const { return bannerLeft_; }
    double panelLeft() const { return panelLeft_; }
    // The windows covering the other screens.
    QList<LockCover*> covers() const { return covers_.values(); }
    bool holdsGrabs() const { return keyboardHeld_ && pointerHeld_; }
    // False when another program held the keyboard or the pointer for the whole time the
    // set-up waited for them: the window was never shown and must be unloaded.
    bool isLocked() const { return locked_; }
    bool keyboardRefused() const { return !keyboardHeld_; }
    // The panel's lines: a wrong password, Caps Lock on.
    const PanelLines* lines() const { return lines_; }

Q_SIGNALS:
    // The right password ended the lock.
    void unlocked();
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
    void unlock();
    void showCapsLock();
    QList<QWidget*> lockWindows() const;

    LockBox box_;

    std::shared_ptr<const platform::DesktopSnapshot> snapshot_;
    FrozenPicture* picture_;
    LockBanner* banner_;
    PanelLines* lines_;
    QPointer<QScreen> homeScreen_; // the screen this window covers; the others get covers
    QTimer* grabRetry_;
    QHash<QScreen*, LockCover*> covers_;
    double bannerLeft_ = 0;
    double panelLeft_ = 0;
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
