// Runs one program of the build (a tool, kvup itself) as a child process for
// tests, with its standard output and error collected through a pipe. The
// destructor kills and reaps a child that is still running.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kvtest {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // args[0] is the program's path; env entries "NAME=VALUE" are added to
  // (or replace in) the test's own environment; a non-empty workDir is the
  // child's working folder.
  bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
             const std::string& workDir = "");
  // Everything the child wrote so far (stdout and stderr interleaved).
  std::string Output();
  // Waits until the output contains text; false after timeoutMs.
  bool WaitForOutput(const std::string& text, int timeoutMs);
  // The exit code (128 + signal for a killed child), or -1 if it still runs
  // after timeoutMs.
  int Wait(int timeoutMs);
  bool Running();
  void Signal(int signal);
  pid_t pid() const { return pid_; }

 private:
  void Drain(int timeoutMs);

  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  std::string output_;
};

// Path of a program built into the build folder (tools and kvup).
std::string BuiltProgram(const std::string& name);

}  // namespace kvtest
