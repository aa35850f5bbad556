// A small HTTP server on 127.0.0.1 (a free port) that records every request
// byte for byte, so tests can check request lines, header lines in order and
// bodies. One connection at a time; each request gets the handler's answer.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

struct RawRequest {
  std::string requestLine;           // "GET /x?y HTTP/1.1"
  std::vector<std::string> headers;  // "Name: value", in the order received
  std::string body;

  // The value of the first header with that name (case-insensitive), or "".
  std::string Header(const std::string& name) const;
};

class RawHttpServer {
 public:
  // Returns the whole response text (status line, headers, body).
  using Handler = std::function<std::string(const RawRequest&)>;

  explicit RawHttpServer(Handler handler = nullptr);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<RawRequest> Requests() const;

  // A 200 response with a JSON body.
  static std::string JsonResponse(const std::string& body);

 private:
  void Serve();  // on the server thread
  void ServeConnection(int fd);
  bool ReadRequest(int fd, std::string* buffer, RawRequest* request);

  Handler handler_;
  int listenFd_ = -1;
  int stopFd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<RawRequest> requests_;  // GUARDED_BY(mutex_)
  std::thread thread_;
};

}  // namespace kvtest
