// The sockets of the desktop-client link: a listener on 127.0.0.1 and the one
// accepted connection, which must come from a socket of this process's user.
// Link thread only.
#pragma once

#include <cstdint>
#include <string>

namespace peer {

class LinkSocket {
 public:
  enum class Read { kData, kNothing, kClosed, kFailed };

  LinkSocket() = default;
  ~LinkSocket();
  LinkSocket(const LinkSocket&) = delete;
  LinkSocket& operator=(const LinkSocket&) = delete;

  // IPv4 TCP on 127.0.0.1:port, backlog 3.
  bool Listen(uint16_t port);
  // Waits until a client of this user connects (true) or wakeFd becomes
  // readable (false). Connections whose socket belongs to another user, or
  // whose owner cannot be found in tcpTable, are closed and not counted.
  bool AcceptOwnClient(int wakeFd, const std::string& tcpTable);
  // No further clients: the listener goes, later connects are refused.
  void StopListening();

  int connection() const { return conn_; }
  // One receive of at most size bytes; *received is set for kData. *error
  // holds the socket error for kFailed.
  Read Receive(char* buffer, size_t size, size_t* received, int* error);
  // Sends all of text; false when fewer bytes went out.
  bool Send(const char* text, size_t size);
  void Close();

 private:
  bool OwnedByThisUser(int fd, const std::string& tcpTable) const;

  int listen_ = -1;
  int conn_ = -1;
};

}  // namespace peer
