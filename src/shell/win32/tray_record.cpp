#include "shell/win32/tray_record.h"

// The 32-bit program's record is the 88-byte first version; these pin every offset the
// tray code relies on.
#if defined(__i386__)
static_assert(kTrayRecordSize == 88);
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == 0);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4);
static_assert(offsetof(NOTIFYICONDATAA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12);
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24);
#endif
static_assert(kTrayTipRoom == 64);
