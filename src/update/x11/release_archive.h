#pragma once
// A portable release as the maker publishes it: a gzip-compressed tar archive of the
// program's folder (appVTR, help/ and what goes with them), usually inside one top folder,
// as scripts/package.sh makes it. It is unpacked only after its signature was proven, and
// even then only folders and plain files are taken, each created new below the folder it
// is unpacked into: no link, device, absolute path or ".." reaches anything outside.

#include <optional>
#include <string>
#include <vector>

struct ArchiveEntry {
    std::vector<std::string> parts; // the path's components, never empty, "." or ".."
    bool folder = false;
};

// Unpacks the archive at `archive` into the empty folder open as `into`: plain files
// (executable or not, owner-writable, readable by all) and folders. The entries in the
// archive's order; nothing when the archive is damaged, holds any other kind of entry or
// an unsafe path, names one file twice, or passes the size limits.
std::optional<std::vector<ArchiveEntry>> unpackReleaseArchive(const std::string& archive, int into);

// The folder `parts[0..count)` below the folder open as `base`, opened without following
// any link; made (0755) where missing when `create`. A descriptor to close, or -1.
int openFolderAt(int base, const std::vector<std::string>& parts, std::size_t count, bool create);
