// Reads the deployment values of a run from its command line and environment.
#pragma once

#include <string>

#include "session/LaunchOptions.h"

class CommandLine {
 public:
  enum class Result { kRun, kHelp, kError };

  // Fills *out from argv and the environment; on kError *error says why.
  static Result Parse(int argc, const char* const* argv, LaunchOptions* out, std::string* error);
  static std::string Usage(const char* program);
};
