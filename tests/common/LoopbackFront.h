// A loopback front between kvup and a server: accepts connections on a port
// of its own and hands each to Serve on a thread of its own, joined when the
// connection ends or the front goes. Subclasses decide what happens to the
// bytes (relayed, cut, mutated).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/LoopbackSocket.h"

namespace kvtest {

class LoopbackFront {
 public:
  explicit LoopbackFront(uint16_t targetPort) : targetPort_(targetPort) {}
  virtual ~LoopbackFront();
  LoopbackFront(const LoopbackFront&) = delete;
  LoopbackFront& operator=(const LoopbackFront&) = delete;

  bool Start();
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(listener_.port()); }
  int64_t connections() const { return connections_; }

 protected:
  // Owns clientFd (a LoopbackClient closes it); returns when the connection
  // is done or stopping() turns true.
  virtual void Serve(int clientFd) = 0;
  // Call first in a subclass destructor: Serve may use the subclass.
  void StopAll();
  bool stopping() const { return stop_; }
  uint16_t targetPort() const { return targetPort_; }
  // Relays bytes both ways until one end closes, stopping() or cut() (asked
  // every 50 ms).
  void Relay(LoopbackClient& client, LoopbackClient& target, const std::function<bool()>& cut);

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void AcceptLoop();
  void JoinFinished();

  const uint16_t targetPort_;
  LoopbackListener listener_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> connections_{0};
  std::thread acceptor_;
  std::mutex workersMutex_;
  std::list<std::unique_ptr<Worker>> workers_;  // GUARDED_BY(workersMutex_)
};

}  // namespace kvtest
