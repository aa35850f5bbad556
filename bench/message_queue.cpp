// Throughput of the user-interface message queue: posts from a worker drained
// by the loop, and the round trip of a send from a worker.
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/MessageQueue.h"

using namespace platform;

namespace {

constexpr UINT kCount = WM_USER + 1;
constexpr UINT kLast = WM_USER + 2;

class Counter : public MessageHandler {
 public:
  long handled = 0;  // UI thread only
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM) override {
    ++handled;
    if (msg == kLast) PostQuitMessage(0);
    return static_cast<LRESULT>(w);
  }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Posts(long n) {
  MessageQueue::Instance().Reset();
  Counter c;
  HWND w = CreateWindowHandle(&c);
  const auto start = std::chrono::steady_clock::now();
  std::thread worker([&] {
    for (long i = 1; i < n; ++i) PostMessage(w, kCount, i, 0);
    PostMessage(w, kLast, n, 0);
  });
  RunMessageLoop();
  worker.join();
  const double s = Seconds(start);
  std::printf("posted messages: %ld in %.3f s, %.0f per second\n", c.handled, s, c.handled / s);
}

void Sends(long n) {
  MessageQueue::Instance().Reset();
  Counter c;
  HWND w = CreateWindowHandle(&c);
  const auto start = std::chrono::steady_clock::now();
  std::thread worker([&] {
    for (long i = 1; i < n; ++i) SendMessage(w, kCount, i, 0);
    SendMessage(w, kLast, n, 0);
  });
  RunMessageLoop();
  worker.join();
  const double s = Seconds(start);
  std::printf("sent messages: %ld in %.3f s, %.1f us per round trip\n", c.handled, s,
              s * 1e6 / c.handled);
}

}  // namespace

int main() {
  Posts(1000000);
  Sends(50000);
  MessageQueue::Instance().Reset();
  return 0;
}
