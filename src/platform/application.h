#pragma once
// The application object's process services: whether another instance of the program
// runs for this user on this display, and ending this process at once.
// The instance check holds a lock for the life of the process (on Linux in the user's
// private runtime folder, platform/x11/instance_files.h); the system lets go of it when
// the process ends, so a crash blocks nothing.

#include <string>

namespace platform {

class Application {
public:
    virtual ~Application() = default;
    // True when another instance runs for the same user and display. The first call that finds
    // none makes this process the running instance.
    virtual bool prevInstance() = 0;
    // Ends the process now with `code`: no unload handling, no further messages.
    virtual void endProcess(int code) = 0;
};

// The name of the instance of user `uid` on X display `display` ("veltrane-1000-:0"),
// for its lock file and its request socket. Screens of one display share it; a
// character that cannot be in a file name becomes "_".
std::string instanceName(unsigned uid, const std::string& display);

Application& application();
// Installs a replacement; nullptr restores the real service.
void setApplication(Application* service);

} // namespace platform
