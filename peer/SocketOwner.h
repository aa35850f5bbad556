// Which local user owns the other end of a loopback TCP connection, read from
// the kernel's socket table (/proc/net/tcp layout: hexadecimal address:port
// pairs, the owner's uid in the eighth column).
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <string>

namespace peer {

constexpr const char* kTcpTablePath = "/proc/net/tcp";

// Looks up the socket whose own end is `local` and whose remote end is
// `remote`; false when the table cannot be read or holds no such socket.
bool FindSocketOwner(const std::string& tablePath, const sockaddr_in& local,
                     const sockaddr_in& remote, uid_t* owner);

}  // namespace peer
