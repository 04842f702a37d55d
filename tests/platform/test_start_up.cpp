// What start-up decides before any window: the command line, the instance's name per
// user and display, and where the program's files live. tests/whole/test_install.py runs
// the installed program with --version, --help and a wrong option.

#include "platform/application.h"
#include "platform/program_folder.h"
#include "shell/x11/command_line.h"
#include "support/check.h"
#include "support/temp_dir.h"

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

void testDataFolders() {
    CHECK_EQ(perUserDataFolder("/data", "/home/u"), std::string("/data/veltrane"));
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/data"})
        CHECK_EQ(perUserDataFolder(unusable, "/home/u"),
                 std::string("/home/u/.local/share/veltrane"));
    CHECK_EQ(perUserDataFolder(nullptr, nullptr), std::string());

    TempDir dir;
    setenv("XDG_DATA_HOME", dir.file("home/data").c_str(), 1);
    const std::string perUser = dir.file("home/data/veltrane");
    const auto page = [&dir](const std::string& folder) {
        std::filesystem::create_directories(dir.file(folder));
        std::ofstream(dir.file(folder + "/vtrhelp.html")) << "page";
    };
    // A portable copy: its help beside it, its files too.
    page("portable/help");
    setProgramFolder(dir.file("portable"));
    CHECK(!usePerUserDataWhereNeeded());
    CHECK_EQ(programFilePath("vtrpwd.sys"), dir.file("portable/vtrpwd.sys"));
    CHECK_EQ(installationFilePath("help/vtrhelp.html"), dir.file("portable/help/vtrhelp.html"));
    // An installed copy: even a writable program folder keeps no user files, and the
    // folder that does is the user's only.
    page("usr/share/veltrane/help");
    std::filesystem::create_directories(dir.file("usr/bin"));
    setProgramFolder(dir.file("usr/bin"));
    CHECK(usePerUserDataWhereNeeded());
    CHECK_EQ(programFilePath("vtrpwd.sys"), perUser + "/vtrpwd.sys");
    CHECK_EQ(installationFilePath("help/vtrhelp.html"),
             dir.file("usr/bin/../share/veltrane/help/vtrhelp.html"));
    struct stat info;
    CHECK(stat(perUser.c_str(), &info) == 0 && (info.st_mode & 0777) == 0700);
    // A folder that cannot be written (root writes everywhere, so only as a user).
    if (geteuid() != 0) {
        std::filesystem::create_directories(dir.file("locked"));
        chmod(dir.file("locked").c_str(), 0555);
        setProgramFolder(dir.file("locked"));
        CHECK(usePerUserDataWhereNeeded());
        CHECK_EQ(dataFolder(), perUser);
    }
}

} // namespace

int main() {
    testCommandLine();
    testInstanceName();
    testDataFolders();
    return checkSummary("test_start_up");
}
