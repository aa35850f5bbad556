#include "LinkConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kvclient {
namespace {

using Clock = std::chrono::steady_clock;

int TryConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

}  // namespace

LinkConnection::~LinkConnection() {
  Close();
}

bool LinkConnection::Connect(int port, int waitMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    fd_ = TryConnect(port);
    if (fd_ >= 0 || Clock::now() >= deadline) return fd_ >= 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool LinkConnection::Send(const std::string& text) {
  size_t sent = 0;
  while (fd_ >= 0 && sent < text.size()) {
    const ssize_t n = send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return fd_ >= 0;
}

void LinkConnection::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void LinkConnection::ReadAvailable(const std::function<void(int)>& onCode) {
  char buffer[256];
  const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    peerClosed_ = true;
    Close();
    return;
  }
  for (ssize_t i = 0; i < n; ++i) {
    if (buffer[i] >= '0' && buffer[i] <= '9') onCode(buffer[i] - '0');
  }
}

void LinkConnection::Receive(int ms, const std::function<void(int)>& onCode,
                             const std::function<bool()>& stop) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
  while (fd_ >= 0) {
    int timeout = -1;
    if (ms >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    ReadAvailable(onCode);
    if (stop()) return;
  }
}

}  // namespace kvclient
