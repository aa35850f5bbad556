#include "peer/LinkSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log/KvLog.h"
#include "peer/SocketOwner.h"

namespace peer {
namespace {

constexpr const char* kLog = "ClientInterfaceMgr";

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

LinkSocket::~LinkSocket() {
  Close();
}

bool LinkSocket::Listen(uint16_t port) {
  listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_ < 0) return false;
  const int one = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_, 3) != 0) {
    KV_ERROR(kLog, "CIMG cannot listen on 127.0.0.1:%u: %s", port, std::strerror(errno));
    CloseFd(&listen_);
    return false;
  }
  return true;
}

bool LinkSocket::OwnedByThisUser(int fd, const std::string& tcpTable) const {
  sockaddr_in mine{};
  sockaddr_in theirs{};
  socklen_t len = sizeof mine;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &len) != 0) return false;
  len = sizeof theirs;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &len) != 0) return false;
  uid_t owner = 0;
  if (!FindSocketOwner(tcpTable, theirs, mine, &owner)) {
    KV_ERROR(kLog, "CIMG refused a client on port %u: its owner is unknown",
             ntohs(theirs.sin_port));
    return false;
  }
  if (owner != geteuid()) {
    KV_ERROR(kLog, "CIMG refused a client of user %u on port %u", static_cast<unsigned>(owner),
             ntohs(theirs.sin_port));
    return false;
  }
  return true;
}

bool LinkSocket::AcceptOwnClient(int wakeFd, const std::string& tcpTable) {
  while (listen_ >= 0) {
    pollfd p[2] = {{listen_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    if (poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (p[1].revents != 0) return false;
    if (p[0].revents == 0) continue;
    int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (!OwnedByThisUser(fd, tcpTable)) {
      CloseFd(&fd);
      continue;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    conn_ = fd;
    return true;
  }
  return false;
}

void LinkSocket::StopListening() {
  CloseFd(&listen_);
}

LinkSocket::Read LinkSocket::Receive(char* buffer, size_t size, size_t* received, int* error) {
  const ssize_t n = recv(conn_, buffer, size, 0);
  if (n > 0) {
    *received = static_cast<size_t>(n);
    return Read::kData;
  }
  if (n == 0) return Read::kClosed;
  if (errno == EINTR || errno == EAGAIN) return Read::kNothing;
  *error = errno;
  return Read::kFailed;
}

bool LinkSocket::Send(const char* text, size_t size) {
  if (conn_ < 0) return false;
  const ssize_t n = send(conn_, text, size, MSG_NOSIGNAL);
  return n >= 0 && static_cast<size_t>(n) == size;
}

void LinkSocket::Close() {
  CloseFd(&conn_);
  CloseFd(&listen_);
}

}  // namespace peer
