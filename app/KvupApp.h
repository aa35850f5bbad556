// The process frame: single instance, logging, the open-files limit, libcurl,
// the local storage and the account, the message loop, and the shut-down in
// order. Runs on the main thread, which is the user-interface thread.
#pragma once

class KvupApp {
 public:
  // The process's exit code: 0, or 2 for a command line that cannot be used.
  static int Run(int argc, const char* const* argv);
};
