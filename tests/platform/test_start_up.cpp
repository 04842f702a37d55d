// What start-up decides before any window: the command line, the instance's name per
// user and display and its private folder, and where the program's files live.
// tests/whole/test_install.py runs the installed program with --version, --help and a wrong option;
// the other whole-program tests run a portable copy, its files beside it.

#include "password/password_save.h"
#include "platform/application.h"
#include "platform/program_folder.h"
#include "platform/x11/instance_files.h"
#include "platform/x11/xdg_data_folder.h"
#include "shell/menu_states.h"
#include "shell/x11/command_line.h"
#include "store/password_file.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

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

// Where a copy keeps its files and the modes they get, whatever the umask (022 here).
// Each row starts from a fresh tree: the program folder "top/program" and the per-user
// folder "data/veltrane" ($XDG_DATA_HOME is "data"); another user's rows run as root only.
void testDataFolders() {
    CHECK_EQ(perUserDataFolder("/data", "/home/u"), std::string("/data/veltrane"));
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/data"})
        CHECK_EQ(perUserDataFolder(unusable, "/home/u"),
                 std::string("/home/u/.local/share/veltrane"));
    CHECK_EQ(perUserDataFolder(nullptr, nullptr), std::string());

    umask(022);
    const auto mode = [](const std::string& path) {
        struct stat info;
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    };
    const struct {
        const char* name;
        std::function<void(const TempDir&)> prepare;
        const char* folder; // where the files go, "" when the program refuses to run
        const char* why;    // a part of the refusal
    } rows[] = {
        {"portable, umask 022", [](auto&) {}, "top/program", ""},
        {"shared folder group-writable",
         [](auto& d) { chmod(d.file("top/program").c_str(), 0775); }, "data/veltrane", ""},
        {"folder above writable by all", [](auto& d) { chmod(d.file("top").c_str(), 0777); },
         "data/veltrane", ""},
        {"folder above sticky", [](auto& d) { chmod(d.file("top").c_str(), 01777); }, "top/program",
         ""},
        {"another user's folder",
         [](auto& d) { CHECK(chown(d.file("top/program").c_str(), 65534, 65534) == 0); },
         "data/veltrane", ""},
        {"installed copy",
         [](auto& d) {
             fs::create_directories(d.file("top/share/veltrane/help"));
             fs::rename(d.file("top/program"), d.file("top/bin"));
         },
         "data/veltrane", ""},
        {"per-user folder pre-created 0755",
         [](auto& d) {
             chmod(d.file("top/program").c_str(), 0775);
             fs::create_directories(d.file("data/veltrane"));
             chmod(d.file("data/veltrane").c_str(), 0755);
         },
         "data/veltrane", ""},
        {"per-user folder a symbolic link",
         [](auto& d) {
             chmod(d.file("top/program").c_str(), 0775);
             fs::create_directories(d.file("data"));
             fs::create_directory_symlink(d.file("top"), d.file("data/veltrane"));
         },
         "", "symbolic link"},
        {"per-user folder another user's",
         [](auto& d) {
             chmod(d.file("top/program").c_str(), 0775);
             fs::create_directories(d.file("data/veltrane"));
             CHECK(chown(d.file("data/veltrane").c_str(), 65534, 65534) == 0);
         },
         "", "another user"},
        {"temporary file already a symbolic link",
         [](auto& d) {
             std::ofstream(d.file("victim")) << "kept";
             fs::create_symlink(d.file("victim"), d.file("top/program/vtrpwd.tmp"));
         },
         "top/program", ""},
    };
    for (const auto& row : rows) {
        if (std::string(row.name).find("another user") != std::string::npos && geteuid() != 0)
            continue;
        std::cerr << row.name << "\n";
        TempDir dir;
        fs::create_directories(dir.file("top/program"));
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        row.prepare(dir);
        setProgramFolder(dir.file(fs::exists(dir.file("top/bin")) ? "top/bin" : "top/program"));
        const DataFolderChoice choice = chooseDataFolder();
        CHECK_EQ(choice.refusal.empty() ? dataFolder() : "",
                 *row.folder ? dir.file(row.folder) : "");
        CHECK(choice.refusal.find(row.why) != std::string::npos);
        if (!choice.refusal.empty())
            continue;
        CHECK_EQ(choice.perUser, std::string(row.folder) == "data/veltrane");
        if (choice.perUser)
            CHECK_EQ(mode(dataFolder()), 0700u);
        // The empty file of the first start, then a password: the user's alone.
        CHECK(refreshPasswordFile().has_value());
        CHECK_EQ(mode(programFilePath(kPasswordFileName)), 0400u);
        CHECK(replacePasswordFile("secret") == platform::FileError::None);
        CHECK_EQ(mode(programFilePath(kPasswordFileName)), 0400u);
        CHECK(!fs::exists(fs::symlink_status(programFilePath(kPasswordTempName))));
        if (fs::exists(dir.file("victim"))) { // the link's target, untouched
            std::string kept;
            std::ifstream(dir.file("victim")) >> kept;
            CHECK_EQ(kept + " " + std::to_string(mode(dir.file("victim"))), "kept 420");
        }
    }
}

} // namespace

int main() {
    testCommandLine();
    testInstanceName();
    testInstanceFolder();
    testDataFolders();
    return checkSummary("test_start_up");
}
