// Finds the accepted socket of a request (by its two ports) and shuts it down,
// so that the peer sees the connection end without an answer.
#pragma once

class SocketCutter {
 public:
  static bool Cut(int localPort, int remotePort);
};
