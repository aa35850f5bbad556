// kvup-client's end of the link: one TCP connection to 127.0.0.1, messages
// out, status codes in. Every status code of the protocol is one decimal
// digit, and kvup sends them without separators, so codes that arrive in one
// read are taken digit by digit.
#pragma once

#include <deque>
#include <functional>
#include <string>

namespace kvclient {

class LinkConnection {
 public:
  LinkConnection() = default;
  ~LinkConnection();
  LinkConnection(const LinkConnection&) = delete;
  LinkConnection& operator=(const LinkConnection&) = delete;

  // Tries to connect until waitMs has passed (kvup may still be starting).
  bool Connect(int port, int waitMs);
  bool Send(const std::string& text);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool PeerClosed() const { return peerClosed_; }

  // Receives for at most ms (0: only what is there, -1: no limit), calling
  // onCode for each code as it arrives; returns early when stop() says so
  // after a code, or when kvup closes the link.
  void Receive(int ms, const std::function<void(int)>& onCode, const std::function<bool()>& stop);

 private:
  void ReadAvailable(const std::function<void(int)>& onCode);

  int fd_ = -1;
  bool peerClosed_ = false;
};

}  // namespace kvclient
