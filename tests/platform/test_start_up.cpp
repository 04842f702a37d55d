// What start-up decides before any window: the command line, the instance's name per
// user and display, and where the program's files live. tests/whole/test_install.py runs
// the installed program with --version, --help and a wrong option; the other whole-program
// tests run a portable copy, its files beside it.

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
    testDataFolders();
    return checkSummary("test_start_up");
}
