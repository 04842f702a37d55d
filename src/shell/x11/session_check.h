#pragma once
// Checks made at start-up and before a lock about the session the program runs in.

#include <QString>
#include <optional>
#include <string>

// Why a lock could not hold this session, or nothing when it can be locked: the one
// place that decides it, asked by the lock command, by `appVTR --lock` and by the start
// at login. An X11 session can be locked; a Wayland session only where the compositor
// offers its session lock to other programs (asked once, with a time-out).
std::optional<std::string> sessionLockRefusal();
// What a box says for that refusal.
QString sessionRefusalText(const std::string& why);

// Once, `delayMs` after start: when no notification area is there to show the icon, a
// message box says that Veltrane needs one. The program keeps running and its icon
// appears when a notification area comes. The box is not modal, so it never stands in
// the way of a lock.
void warnWhenNoNotificationArea(int delayMs);
