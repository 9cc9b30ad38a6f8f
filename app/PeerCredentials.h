#pragma once

#include <QtGlobal>

#include <optional>

// The user id of the process at the other end of a connected local socket (the kernel's record of it,
// which the peer cannot forge); nothing when the descriptor is not such a socket.
std::optional<uint> PeerUserId(qintptr socketDescriptor);

// The user this process acts for.
uint OwnUserId();
