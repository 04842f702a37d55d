#include "lock/linux/lock_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

namespace lockproto {

long peerUid(int socket) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return -1;
    return static_cast<long>(peer.uid);
}

bool peerIsOwnUser(int socket) {
    return peerUid(socket) == static_cast<long>(::getuid());
}

} // namespace lockproto
