#include "shell/x11/command_line.h"

namespace {

struct Option {
    const char* name;
    StartMode mode;
    const char* help; // nullptr: internal, not listed
};

constexpr Option kOptions[] = {
    {"--lock", StartMode::Lock,
     "lock the desktop now (starting Veltrane if it is not running) and return once it is\n"
     "      unlocked again, as xss-lock and xautolock expect; exit status 1, with the\n"
     "      reason, when it cannot be locked. With -f (--daemonize) it returns once the\n"
     "      desktop is locked, as swayidle's before-sleep wants"},
    {"--help", StartMode::Help, "show this text and exit"},
    {"--version", StartMode::Version, "show the version and exit"},
    // The start at every login (the autostart entry).
    {"--autostart", StartMode::Login, nullptr},
};

} // namespace

CommandLine parseCommandLine(int argc, const char* const argv[]) {
    if (argc <= 1)
        return {};
    const std::string first = argv[1];
    for (const Option& option : kOptions) {
        if (first != option.name)
            continue;
        // An internal mode reads the arguments after it itself.
        if (argc > 2 && option.help) {
            const std::string second = argv[2];
            const bool daemonize = second == "-f" || second == "--daemonize";
            if (option.mode != StartMode::Lock || !daemonize || argc > 3)
                return {StartMode::Usage, argc > 3 && daemonize ? argv[3] : second};
            return {option.mode, first, true};
        }
        return {option.mode, first};
    }
    return {StartMode::Usage, first};
}

std::string usageLine() {
    std::string line = "Usage: appVTR [";
    const char* separator = "";
    for (const Option& option : kOptions) {
        if (!option.help)
            continue;
        line += separator;
        line += option.name;
        if (option.mode == StartMode::Lock)
            line += " [-f]";
        separator = " | ";
    }
    return line + "]\n";
}

std::string helpText() {
    std::string text = usageLine() +
                       "Veltrane lives in the notification area and locks the desktop behind "
                       "a password.\nWith no option it starts (once per user and display).\n\n";
    for (const Option& option : kOptions) {
        if (option.help)
            text += "  " + std::string(option.name) + "\n      " + option.help + "\n";
    }
    return text;
}
