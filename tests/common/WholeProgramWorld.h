// Fixture for tests of the whole program as processes: kvup started by a
// desktop client (kvup-client over the real link) against the stand-in
// service, with real folders dropped on it, and what the service then holds.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/KvupProcessTest.h"
#include "common/StandInService.h"

namespace kvtest {

class WholeProgramWorld : public KvupProcessTest {
 protected:
  bool StartService();
  // kvup waiting for its client, pointed at url; hostArgs_ picks its host.
  void Launch(const std::string& url, std::vector<std::string> extra = {});

  // The tree that users drop: nested and empty folders, 0 B to 2 MB, CJK,
  // quotes, spaces and %.
  std::string MakeTree();
  // alice's complete entries by path: content path of files, "" for folders.
  std::map<std::string, std::string> Remote() const;
  // Every file and empty folder of root is held under its folder name,
  // byte-identical.
  void ExpectMirrored(const std::string& root) const;
  size_t Rows(const std::string& db, const std::string& query) const;

  // Requests an endpoint has seen, counted by a fault rule that does nothing.
  static constexpr const char* kCountInits = "breakPointUploadInitAction:delay=1:times=0";
  static constexpr const char* kCountChunks = "breakPointUploadAction:delay=1:times=0";
  int Seen(const std::string& rule) const;
  void AddFaults(const std::string& rules) const;
  void ClearFaults() const;
  // Chunks of 128 KiB the files of the tree need, each sent once.
  static int ChunksOf(const std::string& root);

  std::vector<std::string> hostArgs_{"--headless"};
  std::unique_ptr<StandInService> service_;
};

}  // namespace kvtest
