#include "RawHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace kvtest {
namespace {

bool SendAll(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Waits for data on fd or the stop descriptor; false when stopping or closed.
bool ReadMore(int fd, int stopFd, std::string* buffer) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
  if (::poll(fds, 2, 10000) <= 0 || (fds[1].revents & POLLIN) != 0) return false;
  char chunk[4096];
  const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
  if (n <= 0) return false;
  buffer->append(chunk, static_cast<size_t>(n));
  return true;
}

}  // namespace

std::string RawRequest::Header(const std::string& name) const {
  for (const std::string& line : headers) {
    const size_t colon = line.find(':');
    if (colon == name.size() && strncasecmp(line.c_str(), name.c_str(), colon) == 0) {
      const size_t start = line.find_first_not_of(' ', colon + 1);
      return start == std::string::npos ? "" : line.substr(start);
    }
  }
  return "";
}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  if (!handler_) handler_ = [](const RawRequest&) { return JsonResponse(R"({"status":0})"); };
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
      ::listen(listenFd_, 8) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    throw std::runtime_error("RawHttpServer: cannot listen");
  }
  port_ = ntohs(addr.sin_port);
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  const uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) std::abort();
  thread_.join();
  ::close(listenFd_);
  ::close(stopFd_);
}

std::vector<RawRequest> RawHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::string RawHttpServer::JsonResponse(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

void RawHttpServer::Serve() {
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) return;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ServeConnection(fd);
    ::close(fd);
  }
}

void RawHttpServer::ServeConnection(int fd) {
  std::string buffer;
  RawRequest request;
  while (ReadRequest(fd, &buffer, &request)) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    if (!SendAll(fd, handler_(request))) return;
    request = RawRequest();
  }
}

bool RawHttpServer::ReadRequest(int fd, std::string* buffer, RawRequest* request) {
  size_t end;
  while ((end = buffer->find("\r\n\r\n")) == std::string::npos) {
    if (!ReadMore(fd, stopFd_, buffer)) return false;
  }
  const std::string head = buffer->substr(0, end);
  buffer->erase(0, end + 4);
  size_t pos = head.find("\r\n");
  request->requestLine = head.substr(0, pos);
  while (pos != std::string::npos) {
    const size_t next = head.find("\r\n", pos + 2);
    request->headers.push_back(
        head.substr(pos + 2, next == std::string::npos ? next : next - pos - 2));
    pos = next;
  }
  if (strcasecmp(request->Header("Expect").c_str(), "100-continue") == 0) {
    SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
  }
  const size_t length = std::strtoul(request->Header("Content-Length").c_str(), nullptr, 10);
  while (buffer->size() < length) {
    if (!ReadMore(fd, stopFd_, buffer)) return false;
  }
  request->body = buffer->substr(0, length);
  buffer->erase(0, length);
  return true;
}

}  // namespace kvtest
