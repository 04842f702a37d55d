#pragma once
// The seam between what a lock shows and checks (LockScreen, the same for every lock of
// the Linux program) and how one window system covers every screen and takes the input:
//
//   lock/x11/      Form1: windows above every other, the keyboard and pointer grabbed
//   lock/wayland/  WaylandLock: a session lock of the compositor, a surface on each output
//
// An implementation starts covering as it is made, hands each key and click to its
// LockScreen, reports there whether it holds, and gives everything back when its
// LockScreen has the password.

class ScreenLock {
public:
    virtual ~ScreenLock() = default;
    // The password was given: every screen uncovered, the input let go.
    virtual void giveBack() = 0;
    // Whether Caps Lock is on for the keyboard the lock reads.
    virtual bool capsLockOn() const = 0;
};

enum class LockStart {
    Command, // the lock command: the frozen desktop under the panel; a box says why not
    Guard,   // the guard, for a program that died locked: white, tried until it holds
};

// Starts the lock of the session the program runs in (Wayland or X11) once lockState()
// has begun; its outcome reaches lockState() (held, then ended or refused).
void startScreenLock(LockStart start);

// From the program's start on: whatever the next lock can make before it is asked for is
// made once the event loop runs, and again after every lock. Nothing made ahead is seen
// or takes input before a lock starts.
void prepareScreenLocks();
