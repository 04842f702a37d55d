#pragma once
// The kind of graphical session the program starts in. Veltrane is an X11 program: its
// lock holds the X keyboard and pointer, which is a real lock only where every program
// on the screen is an X client.

namespace platform {

// Chooses Qt's X11 platform unless another one is asked for by name (the tests'
// offscreen one), then opens the X display. False, with nothing shown, when no display
// can be opened: the caller says so on stderr instead of Qt's abort. The connection
// stays open until closeX11Probe(), called once Qt has its own: a server with no other
// client resets when its last one leaves, and Qt's connection would then fail.
bool openX11Display();
void closeX11Probe();
// True in a Wayland session (XDG_SESSION_TYPE or WAYLAND_DISPLAY say so): X grabs there
// reach only the programs that run through XWayland.
bool waylandSession();

} // namespace platform
