// Runs kvup-client's commands over one link and prints what happens, each
// line with a local time stamp: "<time> status <code>" for every status code
// kvup sends, "<time> sent <command>" and the like for the rest.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "ClientOptions.h"
#include "LinkConnection.h"

namespace kvclient {

class ClientSession {
 public:
  enum Exit { kDone = 0, kTimedOut = 1, kNoLink = 3, kLinkClosed = 4 };

  ClientSession(const ClientOptions& options, FILE* out) : options_(options), out_(out) {}

  int Run();

 private:
  int RunCommand(const Command& c);
  int Wait(const Command& c);
  void Drain(int ms);
  void OnCode(int code);
  // Drops unclaimed codes up to and including the first `code`; true if found.
  bool Claim(const std::vector<int>& codes);
  void Print(const std::string& what);

  const ClientOptions& options_;
  FILE* out_;
  LinkConnection link_;
  std::deque<int> unclaimed_;
};

}  // namespace kvclient
