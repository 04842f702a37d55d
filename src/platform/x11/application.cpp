#include "platform/application.h"
#include "platform/service_slot.h"

#include "platform/x11/instance_files.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

class ProcessApplication : public Application {
public:
    bool prevInstance() override {
        // Without a lock to take the program runs; the lock socket's set-up says why on
        // stderr.
        return holdInstanceLock() == InstanceLock::HeldElsewhere;
    }
    void endProcess(int code) override {
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

} // namespace

Application& application() {
    return currentService<Application, ProcessApplication>();
}

void setApplication(Application* service) {
    installedService<Application>() = service;
}

} // namespace platform
