#include "lock/win32/lock_supervisor.h"

#include "lock/win32/lock_window.h"
#include "platform/program_folder.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace LockSupervisor {

namespace {

const char* const kMiddleArgument = "--lock-supervisor";
const char* const kWatchArgument = "--lock-supervisor-watch";
constexpr char kLocked = 'L', kUnlocked = 'U', kQuit = 'Q';
// A supervisor that died sooner than this after its start is started again only after
// this long, so that one that cannot run does not make the program spin.
constexpr DWORD kRestartSpacingMs = 1000;
constexpr DWORD kMiddleWaitMs = 10000, kStandDownWaitMs = 2000;
constexpr UINT kSupervisorEnded = WM_APP + 1;
constexpr UINT_PTR kRestartTimer = 1;

struct Watched {
    HANDLE pipe = nullptr;       // the write end, to the supervisor
    HANDLE supervisor = nullptr; // its process
    HANDLE wait = nullptr;       // the system's wait for its end
    HWND notify = nullptr;       // where that end is reported
    DWORD startedAt = 0;
    bool locked = false;
    bool standingDown = false;
};

Watched watched;

std::string programPath() {
    char path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

bool send(char what) {
    DWORD written = 0;
    return watched.pipe && WriteFile(watched.pipe, &what, 1, &written, nullptr) && written == 1;
}

void forget() {
    if (watched.wait)
        UnregisterWait(watched.wait);
    if (watched.pipe)
        CloseHandle(watched.pipe);
    if (watched.supervisor)
        CloseHandle(watched.supervisor);
    watched.wait = watched.pipe = watched.supervisor = nullptr;
}

// Runs on a thread of the system's pool: the rest happens on the window's thread.
void CALLBACK supervisorEnded(void*, BOOLEAN) {
    PostMessageA(watched.notify, kSupervisorEnded, 0, 0);
}

LRESULT CALLBACK notifyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSupervisorEnded && !watched.standingDown) {
        const bool soon = GetTickCount() - watched.startedAt < kRestartSpacingMs;
        forget();
        if (soon)
            SetTimer(hwnd, kRestartTimer, kRestartSpacingMs, nullptr);
        else
            start();
        return 0;
    }
    if (message == WM_TIMER && wParam == kRestartTimer) {
        KillTimer(hwnd, kRestartTimer);
        if (!watched.standingDown && !watched.supervisor)
            start();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND notifyWindow() {
    if (!watched.notify) {
        WNDCLASSA type{};
        type.lpfnWndProc = notifyProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "VeltraneSupervision";
        RegisterClassA(&type);
        watched.notify = CreateWindowExA(0, type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, type.hInstance, nullptr);
    }
    return watched.notify;
}

bool startProcess(const std::string& arguments, PROCESS_INFORMATION& started) {
    const std::string program = programPath();
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return !program.empty() && CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                              0, nullptr, nullptr, &startup, &started);
}

std::string handleText(HANDLE handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}

HANDLE handleArgument(const char*& rest) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(rest, &end, 16);
    rest = end;
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// The middle process: starts the supervisor with the same handles, hands its process
// handle to the program (as this process's exit code) and ends.
int runMiddle(const char* handles) {
    const char* rest = handles;
    handleArgument(rest);
    HANDLE program = handleArgument(rest);
    PROCESS_INFORMATION started{};
    if (!startProcess(std::string(kWatchArgument) + handles, started))
        return 0;
    HANDLE inProgram = nullptr;
    DuplicateHandle(GetCurrentProcess(), started.hProcess, program, &inProgram, SYNCHRONIZE, FALSE,
                    0);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<int>(reinterpret_cast<uintptr_t>(inProgram));
}

// The lock again, over white, for the password read when it locked or, failing that,
// now. Without a password nothing could unlock it: then it stays away.
int lockAgain(bool havePassword, const std::string& password) {
    if (!havePassword) {
        if (!readPasswordFile(kPasswordFileName))
            return 0;
        mdlGlobal::strLockPassword = mdlGlobal::strPassword;
    } else {
        mdlGlobal::strLockPassword = password;
    }
    start();
    setUnlockAction([] { PostQuitMessage(0); });
    if (!showLockWindow(false)) {
        standDown();
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    standDown();
    return 0;
}

// The supervisor: reads the program's news until the pipe breaks.
int runWatch(const char* handles) {
    const char* rest = handles;
    HANDLE pipe = handleArgument(rest);
    CloseHandle(handleArgument(rest)); // the program, which only the middle process needed
    // The program's data folder, where the password the lock accepts is kept.
    setProgramFolder(executableFolder());
    if (*rest == ' ' && rest[1] != '\0')
        setDataFolder(rest + 1);
    bool locked = false, havePassword = false;
    std::string password;
    char news[64];
    DWORD count = 0;
    while (ReadFile(pipe, news, sizeof news, &count, nullptr) && count > 0) {
        for (DWORD i = 0; i < count; ++i) {
            if (news[i] == kQuit)
                return 0;
            if (news[i] == kUnlocked)
                locked = false;
            if (news[i] == kLocked && !locked) {
                locked = true;
                // The password the lock accepts, read now as the lock command did.
                havePassword = readPasswordFile(kPasswordFileName);
                password = havePassword ? mdlGlobal::strPassword : std::string();
            }
        }
    }
    CloseHandle(pipe);
    return locked ? lockAgain(havePassword, password) : 0;
}

} // namespace

bool isSupervisorCommand(const char* commandLine) {
    return commandLine &&
           std::strncmp(commandLine, kMiddleArgument, std::strlen(kMiddleArgument)) == 0;
}

int run(const char* commandLine) {
    if (std::strncmp(commandLine, kWatchArgument, std::strlen(kWatchArgument)) == 0)
        return runWatch(commandLine + std::strlen(kWatchArgument));
    return runMiddle(commandLine + std::strlen(kMiddleArgument));
}

void start() {
    forget();
    watched.standingDown = false;
    if (!notifyWindow())
        return;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr, self = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
        return;
    // Only the supervisor's end is handed down: the pipe breaks when this process ends.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    PROCESS_DUP_HANDLE | SYNCHRONIZE, TRUE, 0);
    PROCESS_INFORMATION middle{};
    const bool started =
        self && startProcess(std::string(kMiddleArgument) + " " + handleText(readEnd) + " " +
                                 handleText(self) + " " + dataFolder(),
                             middle);
    CloseHandle(readEnd);
    if (self)
        CloseHandle(self);
    DWORD code = 0;
    if (started) {
        if (WaitForSingleObject(middle.hProcess, kMiddleWaitMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(middle.hProcess, &code);
        CloseHandle(middle.hThread);
        CloseHandle(middle.hProcess);
    }
    if (code == 0 || code == STILL_ACTIVE) {
        CloseHandle(writeEnd);
        return;
    }
    watched.pipe = writeEnd;
    watched.supervisor = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(code));
    watched.startedAt = GetTickCount();
    RegisterWaitForSingleObject(&watched.wait, watched.supervisor, supervisorEnded, nullptr,
                                INFINITE, WT_EXECUTEONLYONCE);
    if (watched.locked)
        send(kLocked);
}

void lockChanged(bool locked) {
    watched.locked = locked;
    send(locked ? kLocked : kUnlocked);
}

void standDown() {
    watched.standingDown = true;
    if (watched.notify)
        KillTimer(watched.notify, kRestartTimer);
    if (watched.supervisor && send(kQuit))
        WaitForSingleObject(watched.supervisor, kStandDownWaitMs);
    forget();
}

} // namespace LockSupervisor
