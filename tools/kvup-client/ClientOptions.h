// Command line of kvup-client: options first, then the commands of the
// session, run in order.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvclient {

struct Command {
  enum class Kind { kSend, kWait, kSleep, kHold, kClose };
  Kind kind = Kind::kSend;
  std::string name;        // as typed, for the session's own lines
  std::string text;        // kSend: the message
  std::vector<int> codes;  // kWait: any of these ends the wait
  int ms = -1;             // kWait, kSleep, kHold: time limit (-1: none for kHold)
};

struct ClientOptions {
  int port = 23175;
  int connectWaitMs = 5000;
  int waitTimeoutMs = 10000;
  std::string domain = "127.0.0.1";
  std::string path = "/";
  std::vector<std::pair<std::string, std::string>> cookies;  // name, value
  std::vector<Command> commands;
  bool help = false;
};

// Fills *options from argv; false with *error on a bad command line.
bool ParseCommandLine(int argc, char** argv, ClientOptions* options, std::string* error);

std::string UsageText();

}  // namespace kvclient
