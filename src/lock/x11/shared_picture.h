#pragma once
// The screen's picture brought to the program and back through shared memory (the X
// server's MIT-SHM extension): a full-HD screen is 8 MB each way, which through the
// socket costs the lock more time than the blur does.

#include <cstdint>
#include <functional>
#include <xcb/xcb.h>

// Reads `width` x `height` pixels of `root` from its top-left corner, lets `change` work
// on them (32-bit pixels, rows `width` apart), and writes them into `pixmap` with `gc`.
// False, with nothing written, where the server offers no shared memory (a remote
// display) or sends other than 32-bit pixels: the caller goes through the socket then.
bool changeScreenThroughSharedMemory(xcb_connection_t* c, xcb_window_t root, xcb_pixmap_t pixmap,
                                     xcb_gcontext_t gc, uint8_t depth, int width, int height,
                                     const std::function<void(uint32_t*)>& change);
