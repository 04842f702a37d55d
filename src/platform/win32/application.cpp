#include "platform/application.h"
#include "platform/service_slot.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace platform {

namespace {

// One name per user and session; the system drops the mutex with its last holder, so a
// crash blocks nothing.
std::string instanceName() {
    char user[257] = {};
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        user[0] = '\0';
    return std::string("Local\\CorvennaVeltrane.appVTR.") + user;
}

class Win32Application : public Application {
public:
    ~Win32Application() override {
        if (mutex_)
            CloseHandle(mutex_);
    }
    bool prevInstance() override {
        if (mutex_)
            return false;
        const HANDLE mutex = CreateMutexA(nullptr, FALSE, instanceName().c_str());
        const DWORD error = GetLastError();
        if (!mutex)
            // Refused access: the name is held, by an instance running with other rights.
            return error == ERROR_ACCESS_DENIED;
        if (error == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex);
            return true;
        }
        mutex_ = mutex;
        return false;
    }
    void endProcess(int code) override {
        std::fflush(nullptr);
        ExitProcess(static_cast<UINT>(code));
    }

private:
    HANDLE mutex_ = nullptr;
};

} // namespace

Application& application() {
    return currentService<Application, Win32Application>();
}

void setApplication(Application* service) {
    installedService<Application>() = service;
}

} // namespace platform
