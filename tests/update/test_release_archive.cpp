// A portable copy putting a release archive in place of itself. The archive's signature is
// proven before this step; still, whatever the archive holds, nothing outside the program
// folder is touched, no link is made or followed, and a refused archive leaves the old
// program as it was. (A file that is no archive at all is a row of test_frm_update.)

#include "support/check.h"
#include "support/tar_writer.h"
#include "support/temp_dir.h"
#include "update/x11/portable_upgrade.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& path) {
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

// Every path below `folder`, with the contents of its files.
std::string listing(const std::string& folder) {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        all += entry.path().string() + "=" + read(entry.path()) + "\n";
    return all;
}

} // namespace

int main() {
    umask(077);
    TempDir dir;
    const std::string outside = dir.file("outside"), program = dir.file("program"),
                      archive = dir.file("release.tar.gz");
    const struct {
        const char* name;
        unsigned installedMode; // the new program's, whatever the umask; 0: refused
        TarWriter archive;
        bool helpIsLinkOut = false; // the program folder's help/ already links outside
    } rows[] = {
        {"one top folder", 0755,
         TarWriter()
             .add("v/", "", '5', "", 0755)
             .add("v/help/h", "new")
             .add("v/appVTR", "new", '0', "", 0755)},
        {"no top folder", 0644, TarWriter().add("./appVTR", "new").add("help/h", "new")},
        {"symbolic link out", 0,
         TarWriter().add("v/help", "", '2', outside).add("v/appVTR", "new")},
        {"through a link", 0, TarWriter().add("v/help", "", '2', "../../outside").add("v/help/x")},
        {"hard link", 0, TarWriter().add("v/appVTR", "new").add("v/x", "", '1', "/etc/passwd")},
        {"parent", 0, TarWriter().add("v/appVTR", "new").add("v/../../outside/evil")},
        {"absolute", 0, TarWriter().add("appVTR", "new").add(outside + "/evil")},
        {"no program", 0, TarWriter().add("v/help/h", "new")},
        {"help links out", 0, TarWriter().add("v/help/h", "new").add("v/appVTR", "new"), true},
    };
    for (const auto& row : rows) {
        std::cerr << row.name << "\n";
        fs::remove_all(program);
        fs::remove_all(outside);
        fs::create_directories(program + "/help");
        fs::create_directories(outside);
        std::ofstream(program + "/appVTR") << "old";
        std::ofstream(program + "/help/h") << "old";
        std::ofstream(outside + "/h") << "old"; // what help/h reads when help/ links here
        if (row.helpIsLinkOut) {
            fs::remove_all(program + "/help");
            fs::create_directory_symlink(outside, program + "/help");
        }
        const std::string before = listing(outside);
        row.archive.save(archive);

        const bool installs = row.installedMode != 0;
        CHECK_EQ(installPortableUpgrade(archive, program), installs);
        CHECK_EQ(read(program + "/appVTR") + read(program + "/help/h"),
                 installs ? "newnew" : "oldold");
        CHECK_EQ(listing(outside), before);
        // Only the program folder and what was there: the unpacking folder is gone.
        CHECK_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
        CHECK_EQ(std::distance(fs::directory_iterator(program), {}), 2);
        if (installs)
            CHECK(fs::status(program + "/appVTR").permissions() == fs::perms(row.installedMode));
    }
    return checkSummary("test_release_archive");
}
