#include "shell/win32/tray_menu.h"

#include "shell/mdlKeyCode.h"
#include "shell/menu_commands.h"

#include <iterator>

namespace {

enum : UINT {
    mMenu = 100,
    mnuShowMe,
    mNew,
    mModify,
    mForgot,
    mContents,
    mUpdate,
    mAbout,
    mExit,
};

// The tree of "Action": a submenu's entries follow it at one more level; 0 is a separator.
struct Entry {
    int level;
    UINT id;
    const char* caption;
    void (*command)();
};

const Entry kEntries[] = {
    {0, mMenu, "Menu", nullptr},
    {0, 0, nullptr, nullptr},
    {0, mnuShowMe, "Lock Desktop", mnuShowMe_Click},
    {0, 0, nullptr, nullptr},
    {0, 0, "Password", nullptr},
    {1, mNew, "New", mNew_Click},
    {1, mModify, "Modify", mModify_Click},
    {1, mForgot, "Forgot", mForgot_Click},
    {0, 0, nullptr, nullptr},
    {0, 0, "Help", nullptr},
    {1, mContents, "Contents...", mContents_Click},
    {1, 0, nullptr, nullptr},
    {1, mUpdate, "Check for update...", mUpdate_Click},
    {1, 0, nullptr, nullptr},
    {1, mAbout, "About Veltrane...", mAbout_Click},
    {0, 0, nullptr, nullptr},
    {0, mExit, "Quit", mExit_Click},
};

HMENU buildMenu() {
    HMENU top = CreatePopupMenu();
    HMENU sub = nullptr;
    for (const Entry& entry : kEntries) {
        HMENU into = entry.level == 0 ? top : sub;
        if (!entry.caption) {
            AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
        } else if (entry.id == 0) {
            sub = CreatePopupMenu();
            AppendMenuA(into, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), entry.caption);
        } else {
            // "Menu" carries no command: a greyed title.
            AppendMenuA(into, entry.command ? MF_STRING : MF_STRING | MF_GRAYED, entry.id,
                        entry.caption);
        }
    }
    return top;
}

void enable(UINT id, bool on) {
    EnableMenuItem(trayMenu(), id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

} // namespace

const UINT kContentsCommand = mContents;

HMENU trayMenu() {
    static const HMENU menu = buildMenu();
    return menu;
}

void refreshPasswordMenu() {
    if (const std::optional<PasswordCommandStates> states = refreshPasswordFile()) {
        enable(mNew, states->newEnabled);
        enable(mModify, states->modifyEnabled);
        enable(mForgot, states->forgotEnabled);
    }
}

void showTrayMenu(HWND owner) {
    POINT at{};
    GetCursorPos(&at);
    // The menu closes on a click elsewhere only when its owner is the foreground window.
    SetForegroundWindow(owner);
    const UINT chosen =
        TrackPopupMenu(trayMenu(), TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                       at.x, at.y, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
    if (chosen != 0)
        runTrayCommand(chosen);
}

bool runTrayCommand(UINT id) {
    for (const Entry& entry : kEntries) {
        if (entry.id == id && entry.id != 0 && entry.command) {
            // No exception leaves a command: it would end the program under a lock.
            try {
                entry.command();
            } catch (...) {
            }
            return true;
        }
    }
    return false;
}
