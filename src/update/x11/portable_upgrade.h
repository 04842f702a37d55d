#pragma once
// How the X11 program upgrades itself. A copy installed by the system's package tools
// leaves that to them (it says a newer version is out and opens the maker's site); a
// portable copy downloads the release archive VTR_Upgrade-<machine>.tar.gz, and once its
// signature is proven, unpacks it beside itself and replaces its own files with it.

#include <string>

// "VTR_Upgrade-x86_64.tar.gz" on an x86_64 build.
extern const char* const kPortableUpgradeFileName;

// True when this copy can replace its own files: it is not an installed one, and its
// folder is writable.
bool canReplaceItself(const std::string& programFolder);

// Unpacks the archive into a private folder of its own inside `programFolder`, then moves
// each of its files over the program's, each in one rename, the program (appVTR) last, so
// that the folder never holds a half-written file; the private folder goes again. The
// archive's single top folder, if it has one, is the program folder. False when the
// archive cannot be unpacked, holds no appVTR, or a file cannot be moved; the old program
// then stays, whole.
bool installPortableUpgrade(const std::string& archive, const std::string& programFolder);
