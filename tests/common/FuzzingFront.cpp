#include "common/FuzzingFront.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>

namespace kvtest {
namespace {

constexpr int kPollMs = 50;
constexpr size_t kNoLength = std::string::npos;

// The Content-Length of a head, kNoLength without one.
size_t ContentLength(const std::string& head) {
  for (size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
    if (strncasecmp(head.c_str() + at + 2, "content-length:", 15) == 0)
      return static_cast<size_t>(std::strtoull(head.c_str() + at + 17, nullptr, 10));
  }
  return kNoLength;
}

bool Interim(const std::string& head) {
  return head.compare(0, 10, "HTTP/1.1 1") == 0;
}

// Takes one whole answer off the front of buffer; false when it is not all
// there yet. An answer without a length runs to the end of the connection.
bool TakeAnswer(std::string* buffer, bool closed, HttpAnswer* out) {
  const size_t headEnd = buffer->find("\r\n\r\n");
  if (headEnd == std::string::npos) return false;
  out->head = buffer->substr(0, headEnd + 4);
  size_t length = Interim(out->head) ? 0 : ContentLength(out->head);
  if (length == kNoLength) {
    if (!closed) return false;
    length = buffer->size() - out->head.size();
  }
  if (buffer->size() < out->head.size() + length) return false;
  out->body = buffer->substr(out->head.size(), length);
  buffer->erase(0, out->head.size() + length);
  return true;
}

}  // namespace

void FuzzingFront::Serve(int clientFd) {
  LoopbackClient client(clientFd);
  LoopbackClient target;
  if (!target.Connect(targetPort())) return;
  pollfd ends[2] = {{clientFd, POLLIN, 0}, {target.fd(), POLLIN, 0}};
  std::string answers;
  char buffer[65536];
  bool closed = false;
  while (!stopping() && !closed) {
    const int r = poll(ends, 2, kPollMs);
    if (r < 0 && errno != EINTR) return;
    if (ends[0].revents != 0) {
      const ssize_t n = recv(clientFd, buffer, sizeof buffer, 0);
      if (n <= 0 || !target.Send(buffer, static_cast<size_t>(n))) return;
    }
    if (ends[1].revents != 0) {
      const ssize_t n = recv(target.fd(), buffer, sizeof buffer, 0);
      if (n > 0) answers.append(buffer, static_cast<size_t>(n));
      closed = n <= 0;
    }
    for (HttpAnswer a; TakeAnswer(&answers, closed, &a);) {
      const bool mutated = !Interim(a.head) && fuzzer_.MaybeMutate(&a);
      if (!client.Send(a.head + a.body) || mutated) return;
    }
  }
  if (!answers.empty()) client.Send(answers);
}

}  // namespace kvtest
