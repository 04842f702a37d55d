#include "update/x11/portable_upgrade.h"

#include "platform/program_folder.h"
#include "update/x11/release_archive.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

const char* const kPortableUpgradeFileName = VTR_PORTABLE_UPGRADE_FILE;

namespace {

const char* const kProgramName = "appVTR";

// Closes a descriptor when it goes.
struct Folder {
    explicit Folder(int value) : fd(value) {}
    ~Folder() {
        if (fd >= 0)
            ::close(fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd;
};

// How many leading components every entry shares as the archive's one top folder: 1 when
// all lie inside one folder, else 0.
std::size_t topFolderDepth(const std::vector<ArchiveEntry>& entries) {
    for (const ArchiveEntry& entry : entries)
        if (entry.parts[0] != entries[0].parts[0] || (!entry.folder && entry.parts.size() == 1))
            return 0;
    return 1;
}

// Moves one staged file to its place below the program folder, in one rename.
bool moveIn(int stage, int program, const std::vector<std::string>& staged, std::size_t top) {
    const std::vector<std::string> target(staged.begin() + static_cast<long>(top), staged.end());
    const Folder from(openFolderAt(stage, staged, staged.size() - 1, false));
    const Folder to(openFolderAt(program, target, target.size() - 1, true));
    return from.fd >= 0 && to.fd >= 0 &&
           ::renameat(from.fd, staged.back().c_str(), to.fd, target.back().c_str()) == 0;
}

bool isProgram(const ArchiveEntry& entry, std::size_t top) {
    return entry.parts.size() == top + 1 && entry.parts.back() == kProgramName;
}

bool replaceFiles(int stage, int program, const std::vector<ArchiveEntry>& entries) {
    if (entries.empty())
        return false;
    const std::size_t top = topFolderDepth(entries);
    const auto newProgram = std::find_if(entries.begin(), entries.end(), [top](const auto& entry) {
        return isProgram(entry, top) && !entry.folder;
    });
    if (newProgram == entries.end())
        return false;
    for (const ArchiveEntry& entry : entries) {
        if (entry.parts.size() <= top || isProgram(entry, top))
            continue; // the top folder itself; the program comes last
        const std::vector<std::string> target(entry.parts.begin() + static_cast<long>(top),
                                              entry.parts.end());
        if (entry.folder ? Folder(openFolderAt(program, target, target.size(), true)).fd < 0
                         : !moveIn(stage, program, entry.parts, top))
            return false;
    }
    // Until it moves, the old program is whole and runs as it did.
    return moveIn(stage, program, newProgram->parts, top);
}

} // namespace

bool canReplaceItself(const std::string& programFolder) {
    return !isInstalledCopy() && ::access(programFolder.c_str(), W_OK) == 0;
}

bool installPortableUpgrade(const std::string& archive, const std::string& programFolder) {
    const Folder program(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string stagePath = programFolder + "/.vtr-upgrade-XXXXXX";
    if (program.fd < 0 || !::mkdtemp(stagePath.data()))
        return false;
    bool replaced = false;
    {
        const Folder stage(
            ::open(stagePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (stage.fd >= 0)
            if (const auto entries = unpackReleaseArchive(archive, stage.fd))
                replaced = replaceFiles(stage.fd, program.fd, *entries);
    }
    std::error_code ignored;
    std::filesystem::remove_all(stagePath, ignored);
    return replaced;
}
