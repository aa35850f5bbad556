// The floor of bench_service_chunks: a plain-socket HTTP/1.1 server on one
// thread that reads a request's head, answers "100 Continue" when asked,
// reads Content-Length bytes of body, keeps nothing and answers a fixed 200.
// It serves one keep-alive connection at a time; its CPU time is its
// thread's, so that it compares with the service's process CPU time.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class TrivialSink {
 public:
  TrivialSink() = default;
  ~TrivialSink();
  TrivialSink(const TrivialSink&) = delete;
  TrivialSink& operator=(const TrivialSink&) = delete;

  // Binds a free port on 127.0.0.1 and starts the serving thread.
  bool Start();
  uint16_t port() const { return port_; }
  // CPU seconds the serving thread has used so far.
  double CpuSeconds() const;
  void Stop();

 private:
  void Serve();
  void ServeConnection(int fd);

  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> cpuNanos_{0};
};
