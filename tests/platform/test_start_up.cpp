// What start-up decides before any window: the command line, the instance's name per
// user and display, and where the program's files live.

#include "platform/application.h"
#include "platform/program_folder.h"
#include "shell/command_line.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void testCommandLine() {
    struct Row {
        std::vector<const char*> args;
        StartMode mode;
        std::string argument;
    };
    const Row rows[] = {
        {{"appVTR"}, StartMode::Run, ""},
        {{"appVTR", "--lock"}, StartMode::Lock, "--lock"},
        {{"appVTR", "--help"}, StartMode::Help, "--help"},
        {{"appVTR", "--version"}, StartMode::Version, "--version"},
        {{"appVTR", "--lck"}, StartMode::Usage, "--lck"},
        {{"appVTR", "lock"}, StartMode::Usage, "lock"},
        {{"appVTR", "--lock", "now"}, StartMode::Usage, "now"},
    };
    for (const Row& row : rows) {
        const CommandLine parsed =
            parseCommandLine(static_cast<int>(row.args.size()), row.args.data());
        CHECK(parsed.mode == row.mode);
        CHECK_EQ(parsed.argument, row.argument);
    }
    // Every option the parser takes is named in the usage line and explained in --help.
    for (const char* option : {"--lock", "--help", "--version"}) {
        CHECK(usageLine().find(option) != std::string::npos);
        CHECK(helpText().find(std::string("  ") + option + "\n") != std::string::npos);
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

void testPerUserFolderName() {
    CHECK_EQ(perUserDataFolder("/data", "/home/u"), std::string("/data/veltrane"));
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/data"})
        CHECK_EQ(perUserDataFolder(unusable, "/home/u"),
                 std::string("/home/u/.local/share/veltrane"));
    CHECK_EQ(perUserDataFolder(nullptr, nullptr), std::string());
}

void makeFolder(const std::string& path) {
    CHECK(std::system(("mkdir -p '" + path + "'").c_str()) == 0);
}

void testDataFolderChoice() {
    TempDir dir;
    setenv("XDG_DATA_HOME", dir.file("home/data").c_str(), 1);
    const std::string perUser = dir.file("home/data/veltrane");

    // A portable copy: its help beside it, its files too.
    makeFolder(dir.file("portable/help"));
    std::ofstream(dir.file("portable/help/vtrhelp.html")) << "page";
    setProgramFolder(dir.file("portable"));
    CHECK(!usePerUserDataWhereNeeded());
    CHECK_EQ(programFilePath("vtrpwd.sys"), dir.file("portable/vtrpwd.sys"));
    CHECK_EQ(installationFilePath("help/vtrhelp.html"), dir.file("portable/help/vtrhelp.html"));

    // An installed copy: even a writable program folder keeps no user files.
    makeFolder(dir.file("usr/bin"));
    makeFolder(dir.file("usr/share/veltrane/help"));
    std::ofstream(dir.file("usr/share/veltrane/help/vtrhelp.html")) << "page";
    setProgramFolder(dir.file("usr/bin"));
    CHECK(usePerUserDataWhereNeeded());
    CHECK_EQ(programFilePath("vtrpwd.sys"), perUser + "/vtrpwd.sys");
    CHECK_EQ(dataFolder(), perUser);
    CHECK_EQ(installationFilePath("help/vtrhelp.html"),
             dir.file("usr/bin/../share/veltrane/help/vtrhelp.html"));
    struct stat info;
    CHECK(stat(perUser.c_str(), &info) == 0 && (info.st_mode & 0777) == 0700);

    // A folder that cannot be written (root writes everywhere, so only as a user).
    if (geteuid() != 0) {
        makeFolder(dir.file("locked"));
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
    testPerUserFolderName();
    testDataFolderChoice();
    return checkSummary("test_start_up");
}
