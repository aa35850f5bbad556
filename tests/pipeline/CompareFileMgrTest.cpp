#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "RemoteWorld.h"
#include "common/LogCapture.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/FileBackupMgr.h"
#include "session/Messages.h"

namespace {

using kvtest::PumpUntil;
using pipetest::RemoteWorld;

ShaFileRecord Digested(const std::string& relPath, const std::string& digest) {
  ShaFileRecord r;
  r.relPath = relPath;
  r.digest = digest;
  r.baseDir = "/drops";
  r.size = 4;
  return r;
}

class CompareFileMgrTest : public RemoteWorld {
 protected:
  // Starts the worker and waits until it listed the backup root.
  void StartWorker() {
    compare_ = std::make_unique<CompareFileMgr>(store_, options_);
    compare_->SetWindow(window_);
    compare_->SetClock([this] { return now_.load(); });
    ASSERT_EQ(compare_->Start(), 0);
    ASSERT_EQ(platform::WaitForSingleObject(compare_->readyEvent, 20000), platform::kWaitObject0);
  }
  // Hands the records over, signals the worker and waits for the end of the pass.
  void Compare(const std::vector<ShaFileRecord>& records) {
    store_.addRemainingFiles(static_cast<int32_t>(records.size()));
    for (const ShaFileRecord& r : records) store_.addShaFile(r);
    const int before = messages_.Count(msg::WM_COMPARE_DONE);
    compare_->SignalWork();
    ASSERT_TRUE(PumpUntil([&] { return messages_.Count(msg::WM_COMPARE_DONE) > before; }));
  }
  std::vector<BackupFileRecord> Queued() {
    std::vector<BackupFileRecord> out;
    store_.takeUploadQueue(&out);
    return out;
  }
  void TearDown() override {
    compare_.reset();
    RemoteWorld::TearDown();
  }

  FileBackupMgr store_{options_};
  std::unique_ptr<CompareFileMgr> compare_;
  std::atomic<int64_t> now_{1000};
};

TEST_F(CompareFileMgrTest, RootFilesAreSkippedOrQueuedByNameAndDigest) {
  const int64_t root = RootId();
  std::string sameHash, otherHash;
  UploadFile(root, "same.txt", "same", &sameHash);
  const int64_t other = UploadFile(root, "other.txt", "old!", &otherHash);
  StartWorker();
  Compare({Digested("same.txt", sameHash), Digested("other.txt", "new-digest4"),
           Digested("Same.txt", sameHash), Digested("new.txt", "n4")});
  const std::vector<BackupFileRecord> queued = Queued();
  ASSERT_EQ(queued.size(), 3u) << "only the file with name and digest equal is skipped";
  EXPECT_EQ(queued[0].path, "/drops/other.txt");
  EXPECT_EQ(queued[0].fid, other) << "the remote file of that name is replaced";
  EXPECT_EQ(queued[0].pid, root);
  EXPECT_EQ(queued[0].sha, "new-digest4");
  EXPECT_EQ(queued[0].size, 4);
  EXPECT_EQ(queued[1].path, "/drops/Same.txt");
  EXPECT_EQ(queued[1].fid, 0) << "names are compared case-sensitively";
  EXPECT_EQ(queued[2].fid, 0);
  EXPECT_EQ(store_.RemainingFiles(), 3) << "the skipped file is done";
  EXPECT_EQ(messages_.Count(msg::WM_BACKUP_NOTIFY), 3);
  EXPECT_EQ(messages_.Count(msg::WM_COMPARE_DONE), 1);
}

TEST_F(CompareFileMgrTest, MissingFolderIsCreatedAndTheFileQueuedIntoIt) {
  AddFault("createPathAction:delay=0");
  StartWorker();
  Compare({Digested("F/x", "dx")});
  const Json::Value folder = Entry("F", RootId());
  ASSERT_FALSE(folder.isNull()) << "F was created below the backup root";
  EXPECT_EQ(Seen("createPathAction:delay=0"), 1);
  const std::vector<BackupFileRecord> queued = Queued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].path, "/drops/F/x");
  EXPECT_EQ(queued[0].pid, folder["id"].asInt64());
  EXPECT_EQ(queued[0].fid, 0);
  int64_t id = -1;
  EXPECT_FALSE(store_.findRemoteChild(store_.remoteRootId(), "F", "no-such-hash", &id));
  EXPECT_EQ(id, folder["id"].asInt64()) << "the new folder joined the remote picture";
  EXPECT_EQ(store_.findRemoteIdByPath("kvsfodra\\F"), folder["id"].asInt64());
}

TEST_F(CompareFileMgrTest, DeepMissingFoldersAreCreatedInOneRequest) {
  const int64_t f = CreateFolder("F");
  std::string hash;
  const int64_t inF = UploadFile(f, "y", "yyyy", &hash);
  AddFault("createPathAction:delay=0");
  StartWorker();
  Compare({Digested("F/G/H/x", "dx"), Digested("F/y", hash)});
  EXPECT_EQ(Seen("createPathAction:delay=0"), 1);
  const Json::Value g = Entry("G", f);
  ASSERT_FALSE(g.isNull());
  const Json::Value h = Entry("H", g["id"].asInt64());
  ASSERT_FALSE(h.isNull()) << "the request carried F/G/H";
  const std::vector<BackupFileRecord> queued = Queued();
  ASSERT_EQ(queued.size(), 1u) << "F/y is there with its digest: id " << inF;
  EXPECT_EQ(queued[0].path, "/drops/F/G/H/x");
  EXPECT_EQ(queued[0].pid, h["id"].asInt64());

  // The folders made become known by their true paths: further files of
  // them create nothing again.
  Compare({Digested("F/G/H/z", "dz"), Digested("F/G/w", "dw")});
  EXPECT_EQ(Seen("createPathAction:delay=0"), 1);
  const std::vector<BackupFileRecord> more = Queued();
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[0].pid, h["id"].asInt64());
  EXPECT_EQ(more[1].pid, g["id"].asInt64());
}

TEST_F(CompareFileMgrTest, TheRootIsRelistedOnlyAfterTenSeconds) {
  AddFault("getSubFilesAction:delay=0");
  StartWorker();
  EXPECT_EQ(Seen("getSubFilesAction:delay=0"), 1) << "the first listing of the root";
  Compare({Digested("a", "d")});
  EXPECT_EQ(Seen("getSubFilesAction:delay=0"), 2) << "the picture is older than 10 s";
  now_ += 10;
  Compare({Digested("b", "d")});
  EXPECT_EQ(Seen("getSubFilesAction:delay=0"), 2) << "10 s later: no relisting";
  now_ += 11;  // counted from the last pass
  Compare({Digested("c", "d")});
  EXPECT_EQ(Seen("getSubFilesAction:delay=0"), 3);
  now_ -= 5;
  Compare({Digested("d", "d")});
  EXPECT_EQ(Seen("getSubFilesAction:delay=0"), 4) << "a clock that went back refreshes";
  EXPECT_EQ(Queued().size(), 4u);
}

TEST_F(CompareFileMgrTest, PauseMidBatchDropsTheRestWithoutDone) {
  AddFault("createPathAction:delay=1500");
  StartWorker();
  store_.addRemainingFiles(3);
  for (const char* p : {"F/x", "y", "z"}) store_.addShaFile(Digested(p, "d"));
  compare_->SignalWork();
  ASSERT_TRUE(PumpUntil([&] { return Seen("createPathAction:delay=1500") == 1; }));
  compare_->SetPaused(true);
  ASSERT_TRUE(PumpUntil([&] { return messages_.Count(msg::WM_BACKUP_NOTIFY) == 1; }));
  compare_->SetPaused(false);
  compare_->SignalWork();  // an empty pass, to know the paused one is over
  ASSERT_TRUE(PumpUntil([&] { return messages_.Count(msg::WM_COMPARE_DONE) == 1; }));
  const std::vector<BackupFileRecord> queued = Queued();
  ASSERT_EQ(queued.size(), 1u) << "y and z were dropped";
  EXPECT_EQ(queued[0].path, "/drops/F/x");
  std::vector<ShaFileRecord> left;
  store_.takeShaFiles(&left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(store_.RemainingFiles(), 3) << "the dropped files stay counted";
}

TEST_F(CompareFileMgrTest, FolderThatCannotBeCreatedLeavesTheFileOut) {
  AddFault("createPathAction:envelope=102001");
  kvtest::LogCapture log;
  StartWorker();
  Compare({Digested("F/G/x", "d")});
  EXPECT_EQ(Seen("createPathAction:envelope=102001"), 2) << "one retry";
  EXPECT_TRUE(Queued().empty());
  // Counted down and handed over as refused: left counted, its batch would
  // never end.
  EXPECT_EQ(store_.RemainingFiles(), 0);
  std::vector<RefusedFile> refused;
  store_.takeRefusedFiles(&refused);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].file.path, "/drops/F/G/x");
  EXPECT_EQ(refused[0].file.sha, "d");
  EXPECT_EQ(refused[0].reason, "injected fault") << "the service's own words";
  EXPECT_EQ(messages_.Count(msg::WM_BACKUP_NOTIFY), 1);
  EXPECT_TRUE(log.Contains("[CompareFileMgr::checkFile]: can't create dir for file F/G, pid " +
                               std::to_string(static_cast<int>(RootId())),
                           "CompareFileMgr"));
}

TEST_F(CompareFileMgrTest, StoppingWhileTheServiceIsSilentEndsTheWorker) {
  AddFault("getSubFilesAction:stall=60000");
  compare_ = std::make_unique<CompareFileMgr>(store_, options_);
  ASSERT_EQ(compare_->Start(), 0);
  ASSERT_TRUE(PumpUntil([&] { return Seen("getSubFilesAction:stall=60000") == 1; }));
  compare_.reset();  // aborts the listing and joins the worker
  EXPECT_EQ(store_.remoteRootId(), 0);
}

}  // namespace
