#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "pipeline/DirectoryWalk.h"
#include "pipeline/FileBackupMgr.h"

namespace {

// A walk over real folders; what it asks for and hands over is recorded.
struct WalkProbe {
  FileBackupMgr store;
  std::vector<size_t> batches;  // store size after each hand-over
  std::vector<std::string> created;
  int waits = 0;
  int stopAtWait = -1;  // the wait (1-based) that answers WaitStop

  void Run(const std::string& path) {
    DirectoryWalk walk(
        store, {[this] { return ++waits == stopAtWait ? FTL::WaitStop : FTL::WaitContinue; },
                [this] { batches.push_back(store.PendingDigestCount()); },
                [this](const std::string& p) { created.push_back(p); }, [] {}});
    walk.Run(path);
  }
};

}  // namespace

TEST(DirectoryWalkTest, ManyFilesGoOverInBatchesOf101) {
  kvtest::TempDir dir;
  for (int i = 0; i < 250; ++i) dir.WriteFile("drop/f" + std::to_string(i), "x");
  WalkProbe probe;
  probe.Run(dir.Sub("drop"));
  EXPECT_EQ(probe.batches, (std::vector<size_t>{101, 202, 250})) << "101, 101 and 48";
  EXPECT_EQ(probe.store.RemainingFiles(), 250);
  EXPECT_EQ(probe.created, (std::vector<std::string>{"drop"}))
      << "the folder's name after the walk";
}

TEST(DirectoryWalkTest, EmptyFoldersAreCreatedAtTheDeepestLevel) {
  kvtest::TempDir dir;
  std::filesystem::create_directories(dir.Sub("drop/empty"));
  std::filesystem::create_directories(dir.Sub("alone"));
  WalkProbe probe;
  probe.store.rememberDragDir(dir.path());
  probe.Run(dir.Sub("drop"));
  EXPECT_EQ(probe.created, (std::vector<std::string>{"drop\\empty"}));
  EXPECT_TRUE(probe.batches.empty());
  WalkProbe lone;
  lone.store.rememberDragDir(dir.path());
  lone.Run(dir.Sub("alone"));
  EXPECT_EQ(lone.created, (std::vector<std::string>{"alone"}))
      << "one request, none after the walk";
}

TEST(DirectoryWalkTest, SingleEntryListingsHandTheirFileOver) {
  kvtest::TempDir dir;
  dir.WriteFile("drop/..x/only", "1");
  WalkProbe probe;
  probe.Run(dir.Sub("drop"));
  ASSERT_EQ(probe.batches, (std::vector<size_t>{1}));
  std::vector<std::string> paths;
  probe.store.takePendingDigests(&paths, 10);
  EXPECT_EQ(paths, (std::vector<std::string>{dir.Sub("drop/..x/only")})) << "\"..x\" is walked";
}

TEST(DirectoryWalkTest, AStopBetweenEntriesHandsNothingOverAndCreatesNothing) {
  kvtest::TempDir dir;
  for (int i = 0; i < 5; ++i) dir.WriteFile("drop/f" + std::to_string(i), "x");
  WalkProbe probe;
  probe.stopAtWait = 3;
  probe.Run(dir.Sub("drop"));
  EXPECT_EQ(probe.waits, 3) << "no entry is taken after the stop";
  EXPECT_TRUE(probe.batches.empty());
  EXPECT_TRUE(probe.created.empty());
  EXPECT_EQ(probe.store.RemainingFiles(), 5) << "counted before the walk";
  WalkProbe missing;
  missing.Run(dir.Sub("nothing-here"));
  EXPECT_TRUE(missing.created.empty());
  EXPECT_EQ(missing.waits, 0);
}

TEST(DirectoryWalkTest, AStopInsideASubfolderEndsTheWholeWalk) {
  kvtest::TempDir dir;
  for (int i = 0; i < 3; ++i) dir.WriteFile("drop/a/f" + std::to_string(i), "x");
  dir.WriteFile("drop/b/g", "x");
  WalkProbe probe;
  probe.stopAtWait = 3;  // drop opened, a opened, before a's second file
  probe.Run(dir.Sub("drop"));
  EXPECT_EQ(probe.waits, 3) << "the outer level asks no more after the stop";
  EXPECT_TRUE(probe.batches.empty()) << "no partial folder is handed over as done";
  EXPECT_TRUE(probe.created.empty());
  EXPECT_EQ(probe.store.RemainingFiles(), 4);
}
