// The frame's owner of the started workers: what it stops, in which order,
// and that every manager handed over really ends its threads at its step.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/StartedWorkers.h"
#include "common/LoopbackSocket.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "session/COptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"

namespace {

using Step = StartedWorkers::Step;

class Stops {
 public:
  std::function<void()> Note(const std::string& name) {
    return [this, name] { seen.push_back(name); };
  }
  std::vector<std::string> seen;
};

TEST(StartedWorkers, HandedOverInStartOrderTheyStopInTheShutDownOrderEachOnce) {
  Stops stops;
  StartedWorkers workers;
  workers.Started(Step::kLink, stops.Note("link"));
  workers.Started(Step::kDatabaseWriter, stops.Note("writer"));
  workers.Started(Step::kDigestPool, stops.Note("digests"));
  workers.Started(Step::kWalkPool, stops.Note("walks"));
  workers.Started(Step::kUploadPool, stops.Note("uploads"));
  workers.Started(Step::kComparisonStopRequest, stops.Note("comparison asked"));
  workers.Started(Step::kComparisonJoin, stops.Note("comparison joined"));
  workers.Started(Step::kMaintenanceStopRequest, stops.Note("maintenance asked"));
  workers.Started(Step::kMaintenanceJoin, stops.Note("maintenance joined"));
  workers.Started(Step::kDigestPool, stops.Note("digests, second"));
  workers.StopAll();
  EXPECT_EQ(stops.seen,
            (std::vector<std::string>{"digests", "digests, second", "walks", "comparison asked",
                                      "maintenance asked", "uploads", "writer", "comparison joined",
                                      "maintenance joined", "link"}));
  workers.StopAll();
  EXPECT_EQ(stops.seen.size(), 10u) << "a stop runs once";
}

TEST(StartedWorkers, DestructionStopsWhatIsStillHandedOverInOrder) {
  Stops stops;
  {
    // Start-up as far as the storage check: the link, then the writer.
    StartedWorkers workers;
    workers.Started(Step::kLink, stops.Note("link"));
    workers.Started(Step::kDatabaseWriter, stops.Note("writer"));
  }
  EXPECT_EQ(stops.seen, (std::vector<std::string>{"writer", "link"}));
}

// What is still running when a step is reached, as "name=0/1" words.
std::string Running(std::initializer_list<std::pair<const char*, bool>> managers) {
  std::string text;
  for (const auto& [name, running] : managers)
    text += std::string(text.empty() ? "" : " ") + name + "=" + (running ? "1" : "0");
  return text;
}

TEST(StartedWorkers, RunningManagersEndTheirThreadsAtTheirOwnSteps) {
  COptions options;
  FileBackupMgr store(options);
  ClientInterfaceMgr link(kvtest::FreeLoopbackPort());
  CWriteDbMgr writer;
  ComputeShaMgr digests;
  TravelDirMgr walks(store, options);
  CUpldThreadMgr uploads;
  std::vector<std::string> seen;
  auto state = [&] {
    return Running({{"digests", digests.HasPool()},
                    {"walks", walks.HasPool()},
                    {"uploads", uploads.HasPool()},
                    {"writer", writer.HasPool()},
                    {"link", link.LiveWorkers() > 0}});
  };
  {
    StartedWorkers workers;
    ASSERT_EQ(link.Start(), 0);
    workers.Started(link);
    ASSERT_TRUE(writer.Start());
    workers.Started(writer);
    ASSERT_TRUE(digests.Start());
    workers.Started(digests);
    ASSERT_TRUE(walks.Start());
    workers.Started(walks);
    ASSERT_TRUE(uploads.Start());
    workers.Started(uploads);
    // Handed over last, so each looks after the manager of its own step.
    workers.Started(Step::kUploadPool, [&] { seen.push_back("after uploads: " + state()); });
    workers.Started(Step::kDatabaseWriter, [&] { seen.push_back("after writer: " + state()); });
    workers.StopAll();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "after uploads: digests=0 walks=0 uploads=0 writer=1 link=1",
                      "after writer: digests=0 walks=0 uploads=0 writer=0 link=1"}));
  EXPECT_EQ(state(), "digests=0 walks=0 uploads=0 writer=0 link=0");
  EXPECT_FALSE(link.HasThread()) << "joined, not only ended";
}

}  // namespace
