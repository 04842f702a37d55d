#pragma once
// The X11 side of the lock seam (lock/linux/screen_lock.h): Form1, its covers and grabs.

#include "lock/linux/screen_lock.h"

// Loads Form1. From the lock command, another program that holds the keyboard or the
// pointer for the whole set-up gets the lock refused, with a box; from the guard it only
// delays the lock, however long, and the picture is white.
void startX11Lock(LockStart start);

// Makes the next lock's windows ahead, hidden (see prepared_lock.h).
void prepareX11Lock();
