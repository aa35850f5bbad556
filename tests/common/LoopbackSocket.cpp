#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kvtest {
namespace {

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

uint16_t BoundPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace

LoopbackListener::~LoopbackListener() {
  Close();
}

bool LoopbackListener::Open(int backlog) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  sockaddr_in a = Loopback(0);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, backlog) != 0) {
    Close();
    return false;
  }
  port_ = BoundPort(fd_);
  return port_ != 0;
}

int LoopbackListener::Accept(int timeoutMs) {
  if (fd_ < 0 || !Readable(fd_, timeoutMs)) return -1;
  return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

void LoopbackListener::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

uint16_t FreeLoopbackPort() {
  LoopbackListener l;
  return l.Open() ? l.port() : 0;
}

LoopbackClient::~LoopbackClient() {
  Close();
}

bool LoopbackClient::BindLocal() {
  if (fd_ < 0) fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
  localPort_ = BoundPort(fd_);
  return localPort_ != 0;
}

bool LoopbackClient::Connect(uint16_t port) {
  if (fd_ < 0) fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  sockaddr_in a = Loopback(port);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
  localPort_ = BoundPort(fd_);
  return true;
}

bool LoopbackClient::ConnectWithin(uint16_t port, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (Connect(port)) return true;
    Close();
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool LoopbackClient::Send(const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = send(fd_, data, length, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

std::string LoopbackClient::Receive(int timeoutMs, size_t expected) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < expected) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !Readable(fd_, static_cast<int>(left))) break;
    char buffer[4096];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

std::string LoopbackClient::ReceiveAvailable() {
  std::string got;
  char buffer[4096];
  while (Readable(fd_, 0)) {
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

bool LoopbackClient::ClosedByPeer(int timeoutMs) {
  if (!Readable(fd_, timeoutMs)) return false;
  char c;
  return recv(fd_, &c, 1, MSG_PEEK) <= 0;
}

void LoopbackClient::ShutdownWrite() {
  if (fd_ >= 0) shutdown(fd_, SHUT_WR);
}

void LoopbackClient::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void RelayBoth(LoopbackClient& a, LoopbackClient& b, int pollMs,
               const std::function<bool()>& stop) {
  LoopbackClient* peers[2] = {&a, &b};
  pollfd ends[2] = {{a.fd(), POLLIN, 0}, {b.fd(), POLLIN, 0}};
  char buffer[65536];
  while (!stop()) {
    const int r = poll(ends, 2, pollMs);
    if (r < 0 && errno != EINTR) return;
    for (int i = 0; i < 2; ++i) {
      if (ends[i].revents == 0) continue;
      const ssize_t n = recv(ends[i].fd, buffer, sizeof buffer, 0);
      if (n <= 0 || !peers[1 - i]->Send(buffer, static_cast<size_t>(n))) return;
    }
  }
}

}  // namespace kvtest
