#include "TrivialSink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr char kAnswer[] =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 31\r\n"
    "Connection: keep-alive\r\n\r\n{\"status\":0,\"description\":\"OK\"}";
constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";

bool SendAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, data, n, MSG_NOSIGNAL);
    if (w <= 0) return false;
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// The value of a header in a request head, lower-cased name; empty if absent.
std::string Header(const std::string& head, const char* name) {
  std::string lower(head);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string key = std::string("\r\n") + name + ":";
  size_t at = lower.find(key);
  if (at == std::string::npos) return {};
  at += key.size();
  size_t end = lower.find("\r\n", at);
  std::string value = lower.substr(at, end - at);
  size_t first = value.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : value.substr(first);
}

}  // namespace

TrivialSink::~TrivialSink() {
  Stop();
}

bool TrivialSink::Start() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listenFd_ < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 8) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    return false;
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

double TrivialSink::CpuSeconds() const {
  return static_cast<double>(cpuNanos_.load()) / 1e9;
}

void TrivialSink::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  listenFd_ = -1;
}

void TrivialSink::Serve() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ServeConnection(fd);
    ::close(fd);
  }
}

void TrivialSink::ServeConnection(int fd) {
  std::vector<char> buf(256 * 1024);
  std::string pending;  // bytes read beyond the current request's head
  auto readMore = [&]() -> ssize_t {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      int r = ::poll(&p, 1, 100);
      if (r > 0) return ::recv(fd, buf.data(), buf.size(), 0);
      if (r < 0 || stop_) return -1;
    }
  };
  auto account = [this] {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    cpuNanos_ = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  };
  for (;;) {
    size_t headEnd;
    while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
      ssize_t n = readMore();
      if (n <= 0) return account();
      pending.append(buf.data(), static_cast<size_t>(n));
    }
    const std::string head = pending.substr(0, headEnd + 2);
    pending.erase(0, headEnd + 4);
    uint64_t left = std::strtoull(Header(head, "content-length").c_str(), nullptr, 10);
    if (Header(head, "expect") == "100-continue" && !SendAll(fd, kContinue, sizeof kContinue - 1))
      return account();
    size_t fromPending = static_cast<size_t>(std::min<uint64_t>(left, pending.size()));
    pending.erase(0, fromPending);
    left -= fromPending;
    while (left > 0) {
      ssize_t n = readMore();
      if (n <= 0) return account();
      size_t take = static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(n)));
      left -= take;
      pending.append(buf.data() + take, static_cast<size_t>(n) - take);
    }
    if (!SendAll(fd, kAnswer, sizeof kAnswer - 1)) return account();
    account();
  }
}
