// Ends the libcurl transfers of one owner at once from another thread.
// libcurl asks its progress callback whether to abort only about once a
// second while a transfer waits for an answer, so a stop that relies on the
// callback alone waits up to that second per transfer. A breaker records the
// sockets libcurl opens on the handles it is attached to (and forgets them
// when libcurl closes them); Break() shuts them down, so that a transfer
// blocked in a wait wakes at once with a receive or send failure. The owner
// still tells its progress callback to abort: a socket opened after Break()
// is not shut down.
//
// Attach() again after every curl_easy_reset of the handle. The breaker must
// outlive every connection opened through it (libcurl calls the close
// callback of a connection when it closes it, also in curl_easy_cleanup).
#pragma once

#include <curl/curl.h>

#include <mutex>
#include <set>

class TransferBreaker {
 public:
  TransferBreaker() = default;
  TransferBreaker(const TransferBreaker&) = delete;
  TransferBreaker& operator=(const TransferBreaker&) = delete;

  // Sets the handle's open- and close-socket callbacks to this breaker.
  void Attach(CURL* handle);
  // Shuts down every socket opened through the breaker and not yet closed.
  // Safe from any thread.
  void Break();
  // Sockets opened through the breaker and not yet closed.
  size_t OpenSockets() const;

 private:
  static curl_socket_t Open(void* self, curlsocktype purpose, curl_sockaddr* address);
  static int Close(void* self, curl_socket_t socket);

  mutable std::mutex mu_;
  std::set<curl_socket_t> open_;  // guarded by mu_
};
