#pragma once
// The desktop shell: opening an address with the default handler, and starting a
// program detached with a normal window. Tests install a recording fake.

#include <QString>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // Hands the address to the desktop's default handler; false when it refused.
    virtual bool openDocument(const QString& address) = 0;
    // Starts the program at `path` detached from this process; false when it could not.
    virtual bool startProgram(const QString& path) = 0;
};

Shell& shell();
// Installs a replacement; nullptr restores the real service.
void setShell(Shell* service);

} // namespace platform
