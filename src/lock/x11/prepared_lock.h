#pragma once
// The next lock's Form1, made ahead while the desktop is unlocked: its controls and its
// windows exist, unmapped, with no password and no picture (both come with its set-up,
// at the lock). Making the windows is much of what showing them costs the toolkit, so
// the lock command then only fills and maps them. Nothing of it can be seen or reached
// meanwhile: a window of it that another program maps is unmapped at once, and the form
// is spoiled, as it is when another program destroys or reparents one of its windows;
// the next lock then makes its own.

class Form1;

class PreparedLock {
public:
    // Makes the form, unless there is one.
    void make();
    // The form made ahead, for the lock to load; null when there is none or it was
    // spoiled (it is then deleted).
    Form1* take();
};

PreparedLock& preparedLock();
