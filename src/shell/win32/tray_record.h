#pragma once
// The notification record the program hands to Shell_NotifyIconA: the shell's
// NOTIFYICONDATAA in its first version, whatever later fields the headers declare.

#include <cstddef>
#include <windows.h>

#include <shellapi.h>

// The size the record announces in cbSize, and the only part of it the shell reads.
constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
// szTip's room in that version, its closing NUL included (later versions have more).
constexpr size_t kTrayTipRoom = kTrayRecordSize - offsetof(NOTIFYICONDATAA, szTip);
