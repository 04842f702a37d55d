// What start-up decides before any window: the command line, the instance's name per
// user and display and its private folder, and where the program's files live.
// tests/whole/test_install.py runs the installed program with --version, --help and a wrong option;
// the other whole-program tests run a portable copy, its files beside it.

#include "platform/application.h"
#include "platform/program_folder.h"
#include "platform/x11/instance_files.h"
#include "shell/x11/command_line.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

void testCommandLine() {
    const std::tuple<std::vector<const char*>, StartMode, std::string> rows[] = {
        {{"appVTR"}, StartMode::Run, ""},
        {{"appVTR", "--lock"}, StartMode::Lock, "--lock"},
        {{"appVTR", "--help"}, StartMode::Help, "--help"},
        {{"appVTR", "--version"}, StartMode::Version, "--version"},
        {{"appVTR", "lock"}, StartMode::Usage, "lock"},
        {{"appVTR", "--lock", "now"}, StartMode::Usage, "now"},
    };
    for (const auto& [args, mode, argument] : rows) {
        const CommandLine parsed = parseCommandLine(static_cast<int>(args.size()), args.data());
        CHECK(parsed.mode == mode);
        CHECK_EQ(parsed.argument, argument);
    }
}

void testInstanceName() {
    using platform::instanceName;
    CHECK_EQ(instanceName(1000, ":0.0"), instanceName(1000, ":0"));
    CHECK_EQ(instanceName(1000, "host:10.1"), instanceName(1000, "host:10"));
    CHECK(instanceName(1000, ":0") != instanceName(1000, ":1"));
    CHECK(instanceName(1000, ":0") != instanceName(1001, ":0"));
    CHECK(instanceName(1000, "/tmp/launch.x/org:0").find('/') == std::string::npos);
}

// Only a folder of this user's, closed to others and not a link, is the instance's; a
// fallback made by another user first is refused, never used. (The rows with another
// owner need root, as CI has.)
void testInstanceFolder() {
    using platform::privateFolderProblem;
    TempDir dir;
    const unsigned me = ::getuid();
    const bool root = me == 0;
    const auto folder = [&](const char* name, mode_t mode, uid_t owner) {
        const std::string path = dir.file(name);
        ::mkdir(path.c_str(), mode);
        ::chmod(path.c_str(), mode);
        if (owner != me && ::chown(path.c_str(), owner, owner) != 0)
            return std::string();
        return path;
    };
    const struct {
        std::string path;
        const char* problem; // "" when private
    } rows[] = {
        {folder("private", 0700, me), ""},
        {folder("open", 0755, me), "open to other users"},
        {folder("others", 0700, root ? 65534 : me), root ? "belongs to another user" : ""},
        {dir.file("absent"), "cannot be read"},
    };
    for (const auto& row : rows)
        CHECK(privateFolderProblem(row.path, me).find(row.problem) != std::string::npos &&
              (*row.problem != 0 || privateFolderProblem(row.path, me).empty()));
    std::filesystem::create_directory_symlink(dir.file("private"), dir.file("link"));
    CHECK(privateFolderProblem(dir.file("link"), me).find("symbolic link") != std::string::npos);
    std::ofstream(dir.file("file")) << "x";
    CHECK(privateFolderProblem(dir.file("file"), me).find("not a folder") != std::string::npos);
    // In a folder others may write (not sticky), it could be swapped for another.
    const std::string shared = folder("shared", 0777, root ? 65534 : me);
    const std::string inside = shared + "/mine";
    ::mkdir(inside.c_str(), 0700);
    CHECK(!root ||
          privateFolderProblem(inside, me).find("other users can change") != std::string::npos);

    // $XDG_RUNTIME_DIR when private; else veltrane-<uid> in $TMPDIR, made private, or
    // closed again when it is this user's; refused when it is another's.
    setenv("XDG_RUNTIME_DIR", dir.file("private").c_str(), 1);
    setenv("DISPLAY", ":5.0", 1);
    CHECK_EQ(platform::instanceFile(".socket").path,
             dir.file("private/veltrane-" + std::to_string(me) + "-:5.socket"));
    setenv("XDG_RUNTIME_DIR", dir.file("open").c_str(), 1);
    setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string fallback = dir.file("veltrane-" + std::to_string(me));
    CHECK_EQ(platform::instanceFolder().path, fallback);
    CHECK(privateFolderProblem(fallback, me).empty());
    ::chmod(fallback.c_str(), 0777);
    CHECK_EQ(platform::instanceFolder().path, fallback);
    CHECK(privateFolderProblem(fallback, me).empty());
    if (root) {
        CHECK(::chown(fallback.c_str(), 65534, 65534) == 0);
        const platform::InstancePath squatted = platform::instanceFolder();
        CHECK(squatted.path.empty() &&
              squatted.error.find("belongs to another user") != std::string::npos);
        CHECK(platform::holdInstanceLock() == platform::InstanceLock::Unavailable);
    }
    // Too long for a socket's address: refused with the reason, not cut short.
    const std::string deep = dir.file(std::string(120, 'd'));
    ::mkdir(deep.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", deep.c_str(), 1);
    CHECK(platform::instanceFile(".socket").error.find("too long") != std::string::npos);
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("TMPDIR");
}

void testDataFolders() {
    CHECK_EQ(perUserDataFolder("/data", "/home/u"), std::string("/data/veltrane"));
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/data"})
        CHECK_EQ(perUserDataFolder(unusable, "/home/u"),
                 std::string("/home/u/.local/share/veltrane"));
    CHECK_EQ(perUserDataFolder(nullptr, nullptr), std::string());

    // An installed copy (its help in ../share): even a writable program folder keeps no
    // user files, and the folder that does is the user's only.
    TempDir dir;
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    std::filesystem::create_directories(dir.file("usr/share/veltrane/help"));
    std::ofstream(dir.file("usr/share/veltrane/help/vtrhelp.html")) << "page";
    setProgramFolder(dir.file("usr/bin"));
    CHECK(usePerUserDataWhereNeeded());
    CHECK_EQ(programFilePath("vtrpwd.sys"), dir.file("data/veltrane/vtrpwd.sys"));
    struct stat info;
    CHECK(stat(dir.file("data/veltrane").c_str(), &info) == 0 && (info.st_mode & 0777) == 0700);
}

} // namespace

int main() {
    testCommandLine();
    testInstanceName();
    testInstanceFolder();
    testDataFolders();
    return checkSummary("test_start_up");
}
