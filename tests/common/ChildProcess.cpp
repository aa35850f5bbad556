#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

extern char** environ;

namespace kvtest {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> p;
  for (std::string& t : texts) p.push_back(t.data());
  p.push_back(nullptr);
  return p;
}

int LeftMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
  if (out_ >= 0) close(out_);
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
                         const std::string& workDir) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  std::vector<std::string> argTexts = args;
  std::vector<std::string> envTexts = MergedEnvironment(env);
  std::vector<char*> argv = Pointers(argTexts);
  std::vector<char*> envp = Pointers(envTexts);
  const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  out_ = pipeFds[0];
  if (rc != 0) pid_ = -1;
  return rc == 0;
}

void ChildProcess::Drain(int timeoutMs) {
  if (out_ < 0) return;
  pollfd p{out_, POLLIN, 0};
  while (poll(&p, 1, timeoutMs) > 0) {
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) break;
    output_.append(buffer, static_cast<size_t>(n));
    timeoutMs = 0;
  }
}

std::string ChildProcess::Output() {
  Drain(0);
  return output_;
}

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Drain(0);
    if (output_.find(text) != std::string::npos) return true;
    if (Clock::now() >= deadline) return false;
    Drain(std::min(LeftMs(deadline), 50));
  }
}

bool ChildProcess::Running() {
  if (pid_ < 0 || status_ >= 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) status_ = status;
  return r == 0;
}

int ChildProcess::Wait(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (Clock::now() >= deadline) return -1;
    Drain(std::min(LeftMs(deadline), 20));
  }
  Drain(0);
  if (status_ < 0) return -1;
  if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
  return WEXITSTATUS(status_);
}

void ChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

std::string BuiltProgram(const std::string& name) {
  return std::string(KVUP_BUILD_DIR) + "/" + name;
}

}  // namespace kvtest
