// The desktop client's end of kvup's link for tests that run kvup as a
// process: connects to its port, greets, hands over cookies and lets its
// start-up go on. Holding the object keeps the link (and so kvup) alive.
#pragma once

#include <cstdint>
#include <string>

#include "common/LoopbackSocket.h"

namespace kvtest {

class DesktopLink {
 public:
  // Connects within timeoutMs (kvup may still be starting) and greets; true
  // once kvup answered 1.
  bool ConnectAndGreet(uint16_t port, int timeoutMs = 10000);
  // The session cookie and the account cookie; kvup does not answer.
  bool SendCookies(const std::string& session, const std::string& account);
  // The start message; true once kvup answered 7.
  bool Start(int timeoutMs = 10000);
  // All of ConnectAndGreet, SendCookies and Start.
  bool StartKvup(uint16_t port, const std::string& account = "tester");
  // The client's log-in (type 14) with the same cookies; kvup goes online.
  bool LogIn(const std::string& session, const std::string& account);
  // The client's log-out (type 13); kvup goes offline.
  bool LogOut();
  // A drop of one folder or file (type 20).
  bool Drop(const std::string& path);
  // The client's quit (type 9).
  bool Quit();
  LoopbackClient& socket() { return socket_; }

 private:
  LoopbackClient socket_;
};

}  // namespace kvtest
