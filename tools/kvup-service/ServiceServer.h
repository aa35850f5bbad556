// The HTTP side of kvup-service: binds 127.0.0.1, routes the endpoints through
// the fault injector, and (with --control) serves the control endpoints under
// /kvup-control/. Run() blocks on the calling thread; Stop() from any thread
// ends it, cutting short every injected delay.
#pragma once

#include <httplib.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/kvup-service/CloudStore.h"
#include "tools/kvup-service/Endpoints.h"
#include "tools/kvup-service/FaultInjector.h"
#include "tools/kvup-service/ServiceOptions.h"
#include "tools/kvup-service/StopFlag.h"

class ServiceServer {
 public:
  ServiceServer(const ServiceOptions& options, CloudStore* store);
  // Binds; returns the port or -1.
  int Bind(int port);
  void Run();
  void Stop();
  FaultInjector& Faults() { return faults_; }

 private:
  using Body = std::function<void(ByteThrottle*)>;
  // Applies the endpoint's faults around `handle`. HTTP worker thread.
  void Serve(const std::string& endpoint, const httplib::Request& req, httplib::Response& res,
             const httplib::ContentReader* reader, const Body& handle);
  bool AnswerInstead(const FaultRule& f, httplib::Response& res);
  void ShapeAnswer(bool cut, int64_t rate, httplib::Response& res);
  static void RewriteFile(const std::vector<FaultRule>& rewrites, httplib::Response& res);
  void Route();
  void RouteControl();

  const ServiceOptions& options_;
  CloudStore* store_;
  Endpoints endpoints_;
  FaultInjector faults_;
  StopFlag stop_;
  httplib::Server http_;
};
