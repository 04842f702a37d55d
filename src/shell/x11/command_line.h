#pragma once
// The program's command line. With no argument the program starts as it always has;
// the few options are for desktops and scripts (a key binding, xss-lock, xautolock).
// An option is one row of the table in command_line.cpp; a row without help text is
// internal and stays out of --help.

#include <string>

enum class StartMode {
    Run,     // no argument: start (or end silently beside a running instance)
    Lock,    // --lock: the running instance locks now, or this one starts locked
    Login,   // --autostart (internal): as Run, but ends quietly where no lock can hold
    Help,    // --help
    Version, // --version
    Usage,   // anything else: usage line on stderr, exit status 2
};

struct CommandLine {
    StartMode mode = StartMode::Run;
    std::string argument;   // the option as given; for Usage, the one not understood
    bool daemonize = false; // --lock -f (--daemonize): return once locked
};

// One option or none; a second argument is a usage error, except -f (--daemonize) after
// --lock and anything after an internal option, whose mode reads the rest of argv itself.
CommandLine parseCommandLine(int argc, const char* const argv[]);
// "Usage: appVTR [--lock [-f] | --help | --version]" and a line break.
std::string usageLine();
// What --help prints.
std::string helpText();
