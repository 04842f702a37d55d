# Cross-compiles the Windows program for x86_64 with Debian's mingw-w64 (posix threads).
# Everything is linked statically, so the .exe needs only the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VTR_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Only 64-bit Wine installs cleanly here, so only this build runs its tests (under Wine).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
