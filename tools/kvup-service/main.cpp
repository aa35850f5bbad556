// kvup-service: the stand-in cloud-disk service kvup uploads to. See README.md
// ("Stand-in service") for the options, the endpoints and the control API.
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "log/KvLog.h"
#include "tools/kvup-service/CloudStore.h"
#include "tools/kvup-service/ServiceOptions.h"
#include "tools/kvup-service/ServiceServer.h"

namespace {

void SetUpLogging(const std::string& level) {
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  log4cplus::SharedAppenderPtr err(new log4cplus::ConsoleAppender(true, true));
  err->setLayout(std::make_unique<log4cplus::PatternLayout>("%D{%H:%M:%S.%q} %-5p %m%n"));
  root.addAppender(err);
  log4cplus::LogLevel l = log4cplus::getLogLevelManager().fromString(level);
  root.setLogLevel(l == log4cplus::NOT_SET_LOG_LEVEL ? log4cplus::INFO_LOG_LEVEL : l);
}

}  // namespace

int main(int argc, char** argv) {
  ServiceOptions options;
  std::string error;
  if (!ServiceOptions::Parse(argc, argv, &options, &error)) {
    std::fprintf(stderr, "kvup-service: %s\n%s", error.c_str(), ServiceOptions::Usage());
    return 2;
  }
  log4cplus::Initializer initializer;
  SetUpLogging(options.logLevel);
  // Signals are taken by sigwait below, never by a handler on a worker thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  CloudStore store(options.root, StoreLimits{options.quota, options.maxFileSize});
  if (!store.Open(&error)) {
    std::fprintf(stderr, "kvup-service: %s\n", error.c_str());
    return 1;
  }
  ServiceServer server(options, &store);
  for (const std::string& rule : options.faults) {
    if (!server.Faults().Add(rule, &error)) {
      std::fprintf(stderr, "kvup-service: %s\n", error.c_str());
      return 2;
    }
  }
  int port = server.Bind(options.port);
  if (port <= 0) {
    std::fprintf(stderr, "kvup-service: cannot listen on 127.0.0.1:%d\n", options.port);
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);
  KV_INFO("kvup-service", "listening on 127.0.0.1:%d, state in %s", port, options.root.c_str());
  std::thread listener([&server] {
    server.Run();
    kill(getpid(), SIGTERM);  // the listener ended on its own: end the process too
  });
  int signalNumber = 0;
  sigwait(&stopSignals, &signalNumber);
  KV_INFO("kvup-service", "stopping (signal %d)", signalNumber);
  server.Stop();
  listener.join();
  return 0;
}
