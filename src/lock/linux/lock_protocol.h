#pragma once
// What `appVTR --lock` and the running instance say to each other on the instance's lock
// socket (platform/x11/instance_files.h). Lines of ASCII text ending in LF, at most
// kMaxLine bytes each:
//
//   client  "lock"           lock now, or join the lock or set-up under way
//           "join"           only join the lock under way; with none, "unlocked" at once
//   server  "locked"         the lock is on screen with both grabs held (at once to a
//                            request that joins a lock already held)
//           "unlocked"       the desktop is unlocked again; the last line
//           "refused <why>"  the desktop could not be locked; the last line
//
// The connection ending before the last line means the instance ended: its guard relocks
// and takes the socket over, and a client asks it again with "join". Both sides talk
// only to a peer of their own user.

#include <cstddef>
#include <string>

namespace lockproto {

inline constexpr char kLock[] = "lock";
inline constexpr char kJoin[] = "join";
inline constexpr char kLocked[] = "locked";
inline constexpr char kUnlocked[] = "unlocked";
inline constexpr char kRefused[] = "refused ";
inline constexpr std::size_t kMaxLine = 512;
// Why a Wayland session whose compositor has no session lock is not locked.
inline constexpr char kNoSecureLock[] = "this desktop offers no secure lock for other programs; "
                                        "use its own lock instead (loginctl lock-session)";
// Why a Wayland session is not locked when its compositor does not answer.
inline constexpr char kNoCompositor[] = "no Wayland compositor answered (is WAYLAND_DISPLAY "
                                        "right?)";

// The user id of the process at the other end of a connected local socket, or -1.
long peerUid(int socket);
// True when the peer of `socket` is a process of this user.
bool peerIsOwnUser(int socket);

} // namespace lockproto
