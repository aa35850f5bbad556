// Command line of kvup-service.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ServiceOptions {
  int port = 0;                                 // 0: any free port
  std::string root;                             // state folder (SQLite + contents)
  std::map<std::string, std::string> sessions;  // gSessionId value -> account
  int64_t quota = -1;                           // bytes per account; -1 = none
  int64_t maxFileSize = -1;                     // bytes per file; -1 = none
  bool control = false;                         // control endpoints (faults, inspection, sink)
  std::vector<std::string> faults;              // fault rules given at start
  std::string logLevel = "INFO";

  // Fills `out` from argv; false with a message in `error` on bad input.
  static bool Parse(int argc, char** argv, ServiceOptions* out, std::string* error);
  static const char* Usage();
};
