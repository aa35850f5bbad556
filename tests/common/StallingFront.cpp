#include "StallingFront.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kvtest {
namespace {

constexpr int kPollMs = 50;

}  // namespace

StallingFront::StallingFront(uint16_t targetPort, int stalls, int stallMs)
    : targetPort_(targetPort), stalls_(stalls), stallMs_(stallMs) {}

StallingFront::~StallingFront() {
  stop_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  std::lock_guard<std::mutex> lock(relaysMutex_);
  for (std::thread& t : relays_) t.join();
}

bool StallingFront::Start() {
  if (!listener_.Open(0)) return false;
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void StallingFront::AcceptLoop() {
  while (!stop_) {
    const int fd = listener_.Accept(kPollMs);
    if (fd < 0) continue;
    ++admitted_;
    // Fill the queue before the relay can answer, so the client's next
    // connection already meets a full queue.
    const bool stall = stallsDone_ < stalls_;
    LoopbackClient filler;
    if (stall && !filler.Connect(listener_.port())) stop_ = true;
    {
      std::lock_guard<std::mutex> lock(relaysMutex_);
      relays_.emplace_back([this, fd] { Relay(fd); });
    }
    if (stall && !Stall()) return;
  }
}

bool StallingFront::Stall() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs_);
  while (std::chrono::steady_clock::now() < end) {
    if (stop_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  // The filler is the only queued connection: taking it frees the place.
  const int fillerEnd = listener_.Accept(1000);
  if (fillerEnd >= 0) close(fillerEnd);
  ++stallsDone_;
  return true;
}

void StallingFront::Relay(int clientFd) {
  LoopbackClient client(clientFd);
  LoopbackClient target;
  if (!target.Connect(targetPort_)) return;
  RelayBoth(client, target, kPollMs, [this] { return stop_.load(); });
}

}  // namespace kvtest
