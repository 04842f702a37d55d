#pragma once
// Starting this program again from its running image: /proc/self/exe stays valid when
// the executable has been moved, replaced by an upgrade or removed since it started.

#include <string>
#include <sys/types.h>
#include <vector>

// Starts the running image with `args` after the program name. Its standard input is
// `input` (/dev/null when -1); no other descriptor of this process goes with it but
// standard output and error, and every signal starts with its default action.
// `detached`: in a session of its own, so that it outlives whatever started this process,
// and with /dev/null for standard output or error where those are pipes or sockets,
// which a caller may read until every writer has closed them.
// The child's pid, or -1 with errno set (also when the image could not be run).
pid_t startSelf(const std::vector<std::string>& args, int input, bool detached);

// Reaps the child `pid` if it has ended, without waiting; its wait status, or -1 while
// it runs.
int reapIfEnded(pid_t pid);
