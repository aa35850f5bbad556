// Folder walks as the walk pool runs them, on real folders, against the
// stand-in service: batches and WM_WALK_DONE, the folders created remotely,
// pauses and a service that stops answering.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "RemoteWorld.h"
#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "pipeline/FileBackupMgr.h"
#include "pipeline/TravelDirHandler.h"
#include "pipeline/TravelDirMgr.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"

namespace {

using kvtest::PumpUntil;
using pipetest::RemoteWorld;

// Counts the requests of an endpoint: a fault rule that only waits 1 ms.
constexpr const char* kCreateCounter = "createPathAction:delay=1";

class TravelDirTest : public RemoteWorld {
 protected:
  void SetUp() override {
    RemoteWorld::SetUp();
    AddFault(kCreateCounter);
    // Dropped from the temp folder: relative paths start at the dropped folder.
    store_.rememberDragDir(dir_.path());
  }
  void TearDown() override {
    walks_.reset();
    RemoteWorld::TearDown();
  }
  std::string Folder(const std::string& rel) {
    std::filesystem::create_directories(dir_.Sub(rel));
    return dir_.Sub(rel);
  }
  // Walks the folder with the walk pool and waits until the job ended.
  void Walk(const std::string& path) {
    if (!walks_) {
      walks_ = std::make_unique<TravelDirMgr>(store_, options_);
      ASSERT_TRUE(walks_->Start());
    }
    walks_->AddJob({window_, path});
    ASSERT_TRUE(walks_->WaitJobsDone(120000));
    platform::MessageQueue::Instance().DispatchPending();
  }
  std::vector<std::string> Pending() {
    std::vector<std::string> out;
    store_.takePendingDigests(&out, 100000);
    return out;
  }
  // The remote folder at the '/'-separated path below the root, null if none.
  Json::Value Remote(const std::string& path) {
    int64_t parent = RootId();
    Json::Value e;
    for (size_t from = 0; from <= path.size();) {
      const size_t to = std::min(path.find('/', from), path.size());
      e = Entry(path.substr(from, to - from), parent);
      if (e.isNull()) return e;
      parent = e["id"].asInt64();
      from = to + 1;
    }
    return e;
  }

  kvtest::TempDir dir_;
  FileBackupMgr store_{options_};
  std::unique_ptr<TravelDirMgr> walks_;
};

TEST_F(TravelDirTest, ManyFilesGoOverInBatchesOf101EachAnnounced) {
  kvtest::LogCapture log;
  for (int i = 0; i < 250; ++i) dir_.WriteFile("drop/f" + std::to_string(1000 + i), "x");
  Walk(dir_.Sub("drop"));
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 3);
  EXPECT_EQ(log.Count("TravelDirHandler::sendResultToCalcSha:input: 101", "TRAVELDIRHANDLER"), 2);
  EXPECT_EQ(log.Count("TravelDirHandler::sendResultToCalcSha:input: 48", "TRAVELDIRHANDLER"), 1);
  const std::vector<std::string> pending = Pending();
  ASSERT_EQ(pending.size(), 250u);
  EXPECT_EQ(pending.front(), dir_.Sub("drop/f1000"));
  EXPECT_EQ(pending.back(), dir_.Sub("drop/f1249"));
  EXPECT_EQ(store_.RemainingFiles(), 250);
  EXPECT_EQ(Seen(kCreateCounter), 1) << "the folder's name, once, after the walk";
  EXPECT_FALSE(Remote("drop").isNull());
}

TEST_F(TravelDirTest, OnlyTheDeepestEmptyFoldersAreCreated) {
  Folder("drop/sub");
  Walk(dir_.Sub("drop"));
  EXPECT_EQ(Seen(kCreateCounter), 1) << "the subfolder only, not the dropped folder after it";
  EXPECT_FALSE(Remote("drop/sub").isNull()) << "sent as drop\\sub";
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 0);

  Walk(Folder("\xE6\x96\x87\xE4\xBB\xB6"));  // an empty dropped folder with a UTF-8 name
  EXPECT_EQ(Seen(kCreateCounter), 2) << "one request for itself";
  EXPECT_FALSE(Remote("\xE6\x96\x87\xE4\xBB\xB6").isNull());

  // a holds no files, only b with a file: a is reported, which covers tree.
  dir_.WriteFile("tree/a/b/x", "1");
  Walk(dir_.Sub("tree"));
  EXPECT_EQ(Seen(kCreateCounter), 3) << "tree\\a only";
  EXPECT_FALSE(Remote("tree/a").isNull());
  EXPECT_TRUE(Remote("tree/a/b").isNull()) << "b holds a file: not created by the walk";
  EXPECT_EQ(Pending(), (std::vector<std::string>{dir_.Sub("tree/a/b/x")}));
}

TEST_F(TravelDirTest, LonelyFilesAndDotDotFoldersAreHandedOver) {
  dir_.WriteFile("drop/..x/only", "1");
  Walk(dir_.Sub("drop"));
  EXPECT_EQ(Pending(), (std::vector<std::string>{dir_.Sub("drop/..x/only")}));
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 1);
  EXPECT_EQ(store_.RemainingFiles(), 1);
  EXPECT_EQ(Seen(kCreateCounter), 1) << "\"drop\" after the walk";
}

// What a user's folder may hold besides files: none of it is read or counted,
// and the walk ends (a FIFO would block a digest for ever, a link loop the walk).
TEST_F(TravelDirTest, FifosAndLinksToFoldersAreLeftOutAndTheWalkEnds) {
  dir_.WriteFile("drop/real.txt", "r");
  ASSERT_EQ(mkfifo(dir_.Sub("drop/pipe").c_str(), 0600), 0);
  ASSERT_EQ(symlink(dir_.Sub("drop").c_str(), dir_.Sub("drop/loop").c_str()), 0);
  ASSERT_EQ(symlink(dir_.Sub("drop/real.txt").c_str(), dir_.Sub("drop/alias").c_str()), 0);
  Walk(dir_.Sub("drop"));
  EXPECT_EQ(Pending(),
            (std::vector<std::string>{dir_.Sub("drop/alias"), dir_.Sub("drop/real.txt")}));
  EXPECT_EQ(store_.RemainingFiles(), 2) << "counted as walked: the batch can end";
}

TEST_F(TravelDirTest, APauseStopsTheWalkBetweenEntries) {
  // One thread, busy with the walk, so no idle thread takes the pulse back.
  FTL::CFThreadPool<TravelDirParam*> pool(nullptr);
  ASSERT_TRUE(pool.Start(1, 1));
  Folder("drop/a-empty");
  for (int i = 0; i < 5; ++i) dir_.WriteFile("drop/f" + std::to_string(i), "x");
  // The first entry's request is held, so the pause lands before the next entry.
  const std::string held = "createPathAction:delay=4000:times=1";
  AddFault(held);
  ASSERT_TRUE(pool.QueueJob(
      new TravelDirHandler(new TravelDirParam{window_, dir_.Sub("drop")}, store_, options_)));
  ASSERT_TRUE(PumpUntil([&] { return Seen(held) == 1; }));
  pool.PulseStop();
  ASSERT_TRUE(pool.WaitJobsDone(60000));
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(Seen(kCreateCounter), 1) << "nothing after the pause";
  EXPECT_TRUE(Pending().empty()) << "no file was taken after the pause";
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 0);
  EXPECT_EQ(store_.RemainingFiles(), 5) << "counted before the walk";
}

TEST_F(TravelDirTest, StoppingTheManagerMidWalkEndsEveryWalkAndDropsTheQueuedOne) {
  Folder("drop/a-empty");
  for (int i = 0; i < 5; ++i) dir_.WriteFile("drop/f" + std::to_string(i), "x");
  // Each running walk's first request is held; the sixth walk has no thread.
  const std::string held = "createPathAction:delay=3000:times=5";
  AddFault(held);
  TravelDirMgr walks(store_, options_);
  ASSERT_TRUE(walks.Start());
  for (int i = 0; i < 6; ++i) walks.AddJob({window_, dir_.Sub("drop")});
  ASSERT_TRUE(PumpUntil([&] { return Seen(held) == 5; }));
  walks.Stop();
  EXPECT_FALSE(walks.HasPool());
  EXPECT_FALSE(walks.Accepting());
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(Seen(kCreateCounter), 5) << "nothing after the stop, nothing from the sixth";
  EXPECT_TRUE(Pending().empty()) << "no file was taken after the stop";
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 0);
}

TEST_F(TravelDirTest, AServiceThatStopsAnsweringDoesNotHoldTheWalk) {
  ServiceConfig::Instance().SetSilenceLimitSeconds(1);
  // Without the silence limit this request would hold the walk for ten minutes.
  AddFault("createPathAction:stall=600000:times=1");
  Folder("drop/empty");
  dir_.WriteFile("drop/file", "1");
  Walk(dir_.Sub("drop"));
  EXPECT_EQ(Pending(), (std::vector<std::string>{dir_.Sub("drop/file")}));
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 1);
  EXPECT_TRUE(Remote("drop/empty").isNull()) << "its request failed";
  EXPECT_EQ(Seen(kCreateCounter), 1);
}

TEST_F(TravelDirTest, CreatePathActionAnswersTheNewFolderOrFailure) {
  auto* owned = new TravelDirHandler(new TravelDirParam{window_, dir_.path()}, store_, options_);
  TravelDirHandler& job = *owned;
  const int64_t id = job.createPathAction("A\\B");
  ASSERT_GT(id, 0);
  EXPECT_EQ(Remote("A/B")["id"].asInt64(), id);
  EXPECT_EQ(job.createPathAction(".."), -2) << "refused by the service";
  ServiceConfig::Instance().SetBaseUrl("http://127.0.0.1:1");
  EXPECT_EQ(job.createPathAction("C"), -2);
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(messages_.Count(msg::WM_NETWORK_FAILED), 1);
  job.Cancel();  // frees the parameter and the job
}

TEST_F(TravelDirTest, TheManagerTakesJobsOnlyWhileStarted) {
  dir_.WriteFile("drop/f", "x");
  TravelDirMgr walks(store_, options_);
  walks.AddJob({window_, dir_.Sub("drop")});
  EXPECT_EQ(walks.LastJobIndex(), -1);
  ASSERT_TRUE(walks.Start());
  walks.AddJob({window_, dir_.Sub("drop")});
  EXPECT_EQ(walks.LastJobIndex(), 1);
  ASSERT_TRUE(walks.WaitJobsDone(60000));
  walks.Stop();
  EXPECT_FALSE(walks.Accepting());
  walks.AddJob({window_, dir_.Sub("drop")});
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(messages_.Count(msg::WM_WALK_DONE), 1);
  EXPECT_EQ(store_.RemainingFiles(), 1);
}

}  // namespace
