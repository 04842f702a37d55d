#pragma once
// Where the running instance can be found by other programs of the same user: its
// instance lock and its lock socket. Both live in a folder that only this user owns and
// can write, so that another user can neither plant a lock that keeps the program from
// starting nor a socket that answers in its name.

#include <string>

namespace platform {

struct InstancePath {
    std::string path;  // empty when there is none to use
    std::string error; // then why, a sentence for stderr
};

// The check behind the folder: empty when `path` is a folder (not a symbolic link) owned
// by user `uid` and closed to everyone else, else why not.
std::string privateFolderProblem(const std::string& path, unsigned uid);
// Makes `path` (in an existing folder) 0700 when it is missing, and closes one of the
// user's own that is open to others; never touches another's or a link. Empty when it is
// then private, else why not, as privateFolderProblem says.
std::string makePrivateFolder(const std::string& path, unsigned uid);

// $XDG_RUNTIME_DIR when it is set and private; otherwise "veltrane-<uid>" in $TMPDIR (or
// /tmp), made 0700 when missing and checked after it was made.
InstancePath instanceFolder();

// The instance's file `veltrane-<uid>-<display><suffix>` in that folder (".lock",
// ".socket"); an error also when the path is too long for a socket address.
InstancePath instanceFile(const char* suffix);

enum class InstanceLock {
    Held,          // this process is the instance
    HeldElsewhere, // another process is
    Unavailable,   // there is no lock to take (no private folder, or the file fails)
};
// Takes the instance lock for the life of the process, once; later calls answer Held.
// The system lets go of it when the process ends, however it ends, and programs this one
// starts do not get it. With Unavailable, `error` says why.
InstanceLock holdInstanceLock(std::string* error = nullptr);
// True while some process holds the instance lock at `path`; testing takes nothing.
bool instanceLockHeld(const std::string& path);

} // namespace platform
