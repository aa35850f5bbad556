#include "common/LoopbackFront.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace kvtest {
namespace {

constexpr int kPollMs = 50;

}  // namespace

LoopbackFront::~LoopbackFront() {
  StopAll();
}

bool LoopbackFront::Start() {
  if (!listener_.Open(64)) return false;
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void LoopbackFront::StopAll() {
  stop_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  std::lock_guard<std::mutex> lock(workersMutex_);
  for (auto& w : workers_) w->thread.join();
  workers_.clear();
}

void LoopbackFront::AcceptLoop() {
  while (!stop_) {
    JoinFinished();
    const int fd = listener_.Accept(kPollMs);
    if (fd < 0) continue;
    ++connections_;
    std::lock_guard<std::mutex> lock(workersMutex_);
    auto worker = std::make_unique<Worker>();
    Worker* w = worker.get();
    w->thread = std::thread([this, w, fd] {
      Serve(fd);
      w->done = true;
    });
    workers_.push_back(std::move(worker));
  }
}

void LoopbackFront::JoinFinished() {
  std::lock_guard<std::mutex> lock(workersMutex_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (!(*it)->done) {
      ++it;
      continue;
    }
    (*it)->thread.join();
    it = workers_.erase(it);
  }
}

void LoopbackFront::Relay(LoopbackClient& client, LoopbackClient& target,
                          const std::function<bool()>& cut) {
  RelayBoth(client, target, kPollMs, [&] { return stop_ || cut(); });
}

}  // namespace kvtest
