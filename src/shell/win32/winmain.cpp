// appVTR.exe: Veltrane on Windows, a notification-area program that locks the desktop
// behind a password.

#include "platform/application.h"
#include "platform/program_folder.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    setProgramFolder(executableFolder());
    // A second start ends quietly; the running instance keeps the icon.
    if (platform::application().prevInstance())
        return 0;
    return 0;
}
