// Plain TCP ends on 127.0.0.1 for tests that talk to a server or client of
// kvup over real sockets. Ports come from the kernel (port 0) so that tests
// can run in parallel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kvtest {

class LoopbackListener {
 public:
  LoopbackListener() = default;
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  // Binds a free port and listens; a backlog of 0 queues one connection.
  bool Open(int backlog = 8);
  uint16_t port() const { return port_; }
  // The accepted descriptor (the caller closes it), or -1 after timeoutMs.
  int Accept(int timeoutMs);
  void Close();

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

class LoopbackClient;

// Relays bytes both ways between two connected ends until one closes or
// stop() turns true (asked every pollMs).
void RelayBoth(LoopbackClient& a, LoopbackClient& b, int pollMs, const std::function<bool()>& stop);

// A port that was free a moment ago (bound, read and released).
uint16_t FreeLoopbackPort();

class LoopbackClient {
 public:
  LoopbackClient() = default;
  explicit LoopbackClient(int connectedFd) : fd_(connectedFd) {}
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  // Binds the client's own end first, so that its port is known before it
  // connects (localPort() afterwards).
  bool BindLocal();
  bool Connect(uint16_t port);
  // Connects, retrying until timeoutMs passes (the server may still start).
  bool ConnectWithin(uint16_t port, int timeoutMs);
  bool Send(const std::string& text) { return Send(text.data(), text.size()); }
  bool Send(const char* data, size_t length);
  // Waits up to timeoutMs for data, then returns what has arrived; stops
  // early once `expected` bytes are there. Empty on time-out or close.
  std::string Receive(int timeoutMs, size_t expected = 1);
  // Whatever has arrived by now, without waiting.
  std::string ReceiveAvailable();
  // True when the server closed its end within timeoutMs.
  bool ClosedByPeer(int timeoutMs);
  void ShutdownWrite();
  void Close();
  int fd() const { return fd_; }
  uint16_t localPort() const { return localPort_; }

 private:
  int fd_ = -1;
  uint16_t localPort_ = 0;
};

}  // namespace kvtest
