#include "ClientSession.h"

#include <sys/time.h>

#include <algorithm>
#include <ctime>

namespace kvclient {

void ClientSession::Print(const std::string& what) {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(out_, "%s.%03ld %s\n", stamp, static_cast<long>(now.tv_usec / 1000), what.c_str());
  std::fflush(out_);
}

void ClientSession::OnCode(int code) {
  Print("status " + std::to_string(code));
  unclaimed_.push_back(code);
}

bool ClientSession::Claim(const std::vector<int>& codes) {
  while (!unclaimed_.empty()) {
    const int first = unclaimed_.front();
    unclaimed_.pop_front();
    if (std::find(codes.begin(), codes.end(), first) != codes.end()) return true;
  }
  return false;
}

void ClientSession::Drain(int ms) {
  link_.Receive(
      ms, [this](int code) { OnCode(code); }, [] { return false; });
}

int ClientSession::Wait(const Command& c) {
  if (Claim(c.codes)) return kDone;
  bool found = false;
  link_.Receive(
      c.ms, [this](int code) { OnCode(code); }, [&] { return found = found || Claim(c.codes); });
  if (found) return kDone;
  std::string codes;
  for (int code : c.codes) codes += (codes.empty() ? "" : "/") + std::to_string(code);
  if (link_.PeerClosed()) {
    Print("link closed by kvup while waiting for " + codes);
    return kLinkClosed;
  }
  Print("timed out waiting for " + codes);
  return kTimedOut;
}

int ClientSession::RunCommand(const Command& c) {
  switch (c.kind) {
    case Command::Kind::kSend:
      if (!link_.Send(c.text)) {
        Print("send failed: " + c.name);
        return kNoLink;
      }
      Print("sent " + c.name);
      Drain(0);
      return kDone;
    case Command::Kind::kWait:
      return Wait(c);
    case Command::Kind::kSleep:
    case Command::Kind::kHold:
      Drain(c.ms);
      if (c.kind == Command::Kind::kHold && link_.PeerClosed()) Print("link closed by kvup");
      return kDone;
    case Command::Kind::kClose:
      link_.Close();
      Print("closed");
      return kDone;
  }
  return kDone;
}

int ClientSession::Run() {
  if (!link_.Connect(options_.port, options_.connectWaitMs)) {
    Print("cannot connect to 127.0.0.1:" + std::to_string(options_.port));
    return kNoLink;
  }
  Print("connected to 127.0.0.1:" + std::to_string(options_.port));
  for (const Command& c : options_.commands) {
    const int result = RunCommand(c);
    if (result != kDone) return result;
  }
  Drain(0);
  if (link_.IsOpen()) {
    link_.Close();
    Print("closed");
  }
  return kDone;
}

}  // namespace kvclient
