#pragma once
// Checks made at start-up and before a lock about the session the program runs in.

#include <optional>
#include <string>

// Why a lock could not hold this session, or nothing when it can be locked: the one
// place that decides it, asked by the lock command and by the start at login.
std::optional<std::string> sessionLockRefusal();

// True, after a message box that says why, when a lock could not hold this session
// (a Wayland session, where other programs would see and take input past it). The lock
// command calls it first and stops when it is true.
bool lockRefusedInThisSession();

// Once, `delayMs` after start: when no notification area is there to show the icon, a
// message box says that Veltrane needs one. The program keeps running and its icon
// appears when a notification area comes. The box is not modal, so it never stands in
// the way of a lock.
void warnWhenNoNotificationArea(int delayMs);
