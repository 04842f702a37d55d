#include "platform/application.h"

namespace platform {

std::string instanceName(unsigned uid, const std::string& display) {
    std::string server = display;
    // ":0.1" is screen 1 of display ":0": the same desktop session.
    const auto colon = server.rfind(':');
    const auto dot = server.rfind('.');
    if (colon != std::string::npos && dot != std::string::npos && dot > colon)
        server.erase(dot);
    for (char& c : server) {
        if (c == '/' || static_cast<unsigned char>(c) < 32)
            c = '_';
    }
    return "veltrane-" + std::to_string(uid) + "-" + server;
}

} // namespace platform
