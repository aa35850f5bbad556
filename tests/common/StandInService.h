// A running kvup-service for tests: started from the build folder on a free
// port with a temporary state folder, stopped (SIGTERM, then waited for) when
// the fixture goes. Its log lines (standard error) go to log() under the
// fixture's folder.
#pragma once

#include <json/value.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "common/TempDir.h"

class COptions;

namespace kvtest {

class StandInService {
 public:
  // `options` are passed as given after --root and --port 0, e.g.
  // {"--session", "s1=alice", "--control"}.
  explicit StandInService(std::vector<std::string> options = {});
  ~StandInService();
  StandInService(const StandInService&) = delete;
  StandInService& operator=(const StandInService&) = delete;

  // Starts the service; false (with the reason in error()) when it did not
  // print its port within 10 seconds.
  bool Start();
  // SIGTERM and wait; returns the exit status (-1 when not running).
  int Stop();
  // Stop and Start with the same state folder and options (a new port).
  bool Restart();

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  // "http://127.0.0.1:PORT"
  std::string BaseUrl() const;
  const std::string& root() const { return root_; }
  const std::string& error() const { return error_; }
  std::string LogText() const;
  // The account's entries as the control endpoint lists them.
  Json::Value Entries(const std::string& account) const;
  // Complete entries by path below the backup root: the content's path of
  // each file, and "" for each folder when withFolders.
  std::map<std::string, std::string> Held(const std::string& account,
                                          bool withFolders = false) const;
  // Names of complete files whose content differs from their digest or size.
  std::vector<std::string> HeldWithOtherContent(const std::string& account) const;
  static std::string BinaryPath();
  // Hands options the cookie of the session (as the link would) and points
  // the request helper at this service.
  void SignIn(COptions& options, const std::string& session = "s1") const;

 private:
  TempDir dir_;
  std::string root_;
  std::vector<std::string> options_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string error_;
};

}  // namespace kvtest
