#pragma once
// The frozen picture on Wayland: every output's contents copied once, before the lock,
// through wlr-screencopy where the compositor offers it. Compositors without it give no
// picture, and the lock shows white there.

#include <QImage>
#include <cstdint>
#include <map>

namespace waylock {

class Connection;

// Each announced output's picture in its own device pixels, keyed by the output's global
// name; outputs that could not be copied within `timeoutMs` (all of them when the
// compositor has no screencopy) are missing.
std::map<uint32_t, QImage> captureOutputs(Connection& connection, int timeoutMs);

} // namespace waylock
