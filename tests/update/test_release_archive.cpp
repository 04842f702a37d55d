// A portable copy putting a release archive in place of itself. The archive's signature is
// proven before this step; still, whatever the archive holds, nothing outside the program
// folder is touched, no link is made or followed, and a refused archive leaves the old
// program as it was.

#include "support/check.h"
#include "support/tar_writer.h"
#include "support/temp_dir.h"
#include "update/x11/portable_upgrade.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string read(const std::string& path) {
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

// Every path below `folder`, with the contents of its files.
std::string listing(const std::string& folder) {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        all += entry.path().string() + "=" +
               (entry.is_regular_file() ? read(entry.path().string()) : "") + "\n";
    return all;
}

void testArchives() {
    TempDir dir;
    const std::string outside = dir.file("outside"), program = dir.file("program");
    const struct {
        const char* name;
        TarWriter archive;
        unsigned installedMode;     // the new program's, whatever the umask; 0: refused
        bool helpIsLinkOut = false; // the program folder's help/ already links outside
    } rows[] = {
        {"release in one top folder",
         TarWriter()
             .add("veltrane/", "", '5', "", 0755)
             .add("veltrane/help/vtrhelp.html", "new help")
             .add("veltrane/appVTR", "new program", '0', "", 0755),
         0755},
        {"release without a top folder",
         TarWriter().add("./appVTR", "new program").add("help/vtrhelp.html", "new help"), 0644},
        {"symbolic link out",
         TarWriter().add("v/help", "", '2', outside).add("v/appVTR", "new program"), 0},
        {"file through a link",
         TarWriter().add("v/help", "", '2', "../../outside").add("v/help/x", "evil"), 0},
        {"hard link", TarWriter().add("v/appVTR", "new program").add("v/x", "", '1', "/etc/passwd"),
         0},
        {"parent path",
         TarWriter().add("v/appVTR", "new program").add("v/../../outside/evil", "evil"), 0},
        {"absolute path", TarWriter().add("appVTR", "new").add(outside + "/evil", "evil"), 0},
        {"no program", TarWriter().add("v/help/vtrhelp.html", "new help"), 0},
        {"program folder's help links out",
         TarWriter().add("v/help/vtrhelp.html", "new help").add("v/appVTR", "new program"), 0,
         true},
    };
    for (const auto& row : rows) {
        std::cerr << row.name << "\n";
        fs::remove_all(program);
        fs::remove_all(outside);
        fs::create_directories(program + "/help");
        fs::create_directories(outside);
        std::ofstream(program + "/appVTR") << "old program";
        std::ofstream(program + "/help/vtrhelp.html") << "old help";
        std::ofstream(outside + "/kept") << "kept";
        if (row.helpIsLinkOut) {
            fs::remove_all(program + "/help");
            fs::create_directory_symlink(outside, program + "/help");
        }
        const std::string before = listing(outside);
        std::ofstream(dir.file("release.tar.gz")) << row.archive.gzip();

        const bool installs = row.installedMode != 0;
        CHECK_EQ(installPortableUpgrade(dir.file("release.tar.gz"), program), installs);
        CHECK_EQ(read(program + "/appVTR"), installs ? "new program" : "old program");
        CHECK_EQ(listing(outside), before);
        // Only the program folder and what was there: the unpacking folder is gone.
        CHECK_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
        CHECK_EQ(std::distance(fs::directory_iterator(program), {}), 2);
        if (installs) {
            CHECK_EQ(read(program + "/help/vtrhelp.html"), "new help");
            CHECK(fs::status(program + "/appVTR").permissions() == fs::perms(row.installedMode));
        }
    }
    std::ofstream(dir.file("release.tar.gz")) << "not an archive";
    CHECK(!installPortableUpgrade(dir.file("release.tar.gz"), program));
}

} // namespace

int main() {
    umask(077);
    testArchives();
    return checkSummary("test_release_archive");
}
