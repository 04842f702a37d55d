#pragma once
// The application object's process services: whether another instance of the program
// runs for this user, and ending this process at once.
// The instance check holds a lock file in the user's runtime folder for the life of the
// process; a lock whose owner is gone counts as free, so a crash blocks nothing.

namespace platform {

class Application {
public:
    virtual ~Application() = default;
    // True when another instance runs for the same user. The first call that finds
    // none makes this process the running instance.
    virtual bool prevInstance() = 0;
    // Ends the process now with `code`: no unload handling, no further messages.
    virtual void endProcess(int code) = 0;
};

Application& application();
// Installs a replacement; nullptr restores the real service.
void setApplication(Application* service);

} // namespace platform
