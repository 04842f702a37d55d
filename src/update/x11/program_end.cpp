#include "update/x11/program_end.h"

#include "platform/x11/forms.h"

#include <QCoreApplication>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace {

std::function<void(const std::string&)>& replacement() {
    static std::function<void(const std::string&)> installed;
    return installed;
}

// A shell waits for the end of a pipe whose writing end only this process holds: the
// system closes it when the process is gone, whatever way it ends. The program then
// replaces the shell, with this process's environment and nothing else open.
void startOnceGone(const std::string& path) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], 3);
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char script[] = "read -r _ <&3; exec 3<&-; exec \"$0\"";
    char* argv[] = {shell, option, script, const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, shell, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    // ends[1] stays open until the process ends; it is closed on exec, so nothing started
    // later holds it.
}

void end(const std::string& startAfter) {
    if (replacement()) {
        replacement()(startAfter);
        return;
    }
    if (!startAfter.empty())
        startOnceGone(startAfter);
    platform::unloadForm(platform::loadedFormNamed(QStringLiteral("frmMain")));
    QCoreApplication::exit(0);
}

} // namespace

void endProgram() {
    end({});
}

void endProgramAndStart(const std::string& path) {
    end(path);
}

void setEndProgram(std::function<void(const std::string&)> function) {
    replacement() = std::move(function);
}
