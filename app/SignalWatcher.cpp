#include "app/SignalWatcher.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "log/KvLog.h"
#include "platform/MessageQueue.h"
#include "session/COptions.h"
#include "session/Messages.h"

namespace {

sigset_t QuitSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void SignalWatcher::Block() {
  const sigset_t set = QuitSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher() {
  const sigset_t set = QuitSignals();
  signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
}

SignalWatcher::~SignalWatcher() {
  stop_.Set();
  if (thread_ != nullptr) thread_->Join();
  if (signalFd_ >= 0) close(signalFd_);
}

bool SignalWatcher::Start() {
  if (signalFd_ < 0 || thread_ != nullptr) return false;
  thread_ = std::make_unique<platform::Thread>([this] { Watch(); });
  return thread_->Start();
}

void SignalWatcher::Watch() {
  pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) continue;
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    signalfd_siginfo info;
    if (read(signalFd_, &info, sizeof info) != sizeof info) continue;
    KV_INFO("KVUP", "signal %u: quitting", info.ssi_signo);
    signalled_.Set();
    const platform::HWND window = quitWindow_.load();
    if (window == nullptr) {
      platform::PostQuitMessage(0);
      continue;
    }
    COptions::Instance().m_peerEvent.store(PeerEvent::kQuit);
    platform::PostMessage(window, msg::WM_CLIENT_EVENT, 0, 0);
  }
}
