#include "session/TransferBreaker.h"

#include <sys/socket.h>
#include <unistd.h>

void TransferBreaker::Attach(CURL* handle) {
  if (handle == nullptr) return;
  curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &TransferBreaker::Open);
  curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, &TransferBreaker::Close);
  curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, this);
}

void TransferBreaker::Break() {
  std::lock_guard<std::mutex> lock(mu_);
  for (curl_socket_t s : open_) ::shutdown(s, SHUT_RDWR);
}

size_t TransferBreaker::OpenSockets() const {
  std::lock_guard<std::mutex> lock(mu_);
  return open_.size();
}

// Runs on the transferring thread, inside curl_easy_perform.
curl_socket_t TransferBreaker::Open(void* self, curlsocktype, curl_sockaddr* address) {
  const curl_socket_t s =
      ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (s == CURL_SOCKET_BAD) return s;
  auto* breaker = static_cast<TransferBreaker*>(self);
  std::lock_guard<std::mutex> lock(breaker->mu_);
  breaker->open_.insert(s);
  return s;
}

// Runs wherever libcurl closes the connection. The socket leaves the set
// before its number is freed, so Break() never reaches a reused number.
int TransferBreaker::Close(void* self, curl_socket_t socket) {
  auto* breaker = static_cast<TransferBreaker*>(self);
  std::lock_guard<std::mutex> lock(breaker->mu_);
  breaker->open_.erase(socket);
  return ::close(socket);
}
