#include "PeerCredentials.h"

#include <sys/socket.h>
#include <unistd.h>

std::optional<uint> PeerUserId(qintptr socketDescriptor) {
    if (socketDescriptor < 0) {
        return std::nullopt;
    }
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        return std::nullopt;
    }
    return static_cast<uint>(credentials.uid);
}

uint OwnUserId() {
    return static_cast<uint>(::geteuid());
}
