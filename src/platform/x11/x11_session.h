#pragma once
// The kind of graphical session the program starts in, and the toolkit platform it runs
// on there: Qt's Wayland platform in a Wayland session (the tray, menus and dialogs are
// Wayland clients, and the lock has a connection of its own), its X11 platform otherwise.

namespace platform {

// Chooses Qt's X11 platform unless another one is asked for by name (the tests'
// offscreen one), then opens the X display. False, with nothing shown, when no display
// can be opened: the caller says so on stderr instead of Qt's abort. The connection
// stays open until closeX11Probe(), called once Qt has its own: a server with no other
// client resets when its last one leaves, and Qt's connection would then fail.
bool openX11Display();
void closeX11Probe();
// Chooses Qt's Wayland platform unless another one is asked for by name.
void useWaylandPlatform();
// True in a Wayland session (XDG_SESSION_TYPE or WAYLAND_DISPLAY say so): X grabs there
// reach only the programs that run through XWayland, so nothing of the program may
// lock through X there.
bool waylandSession();

} // namespace platform
