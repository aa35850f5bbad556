#include <gtest/gtest.h>

#include "common/LogCapture.h"
#include "pipeline/FileBackupMgr.h"

TEST(FileBackupMgrTest, SplitRemoteNameUsesTheFirstDragDirOrTheLastSeparator) {
  FileBackupMgr m;
  std::string rel, base;
  m.splitRemoteName("/home/u/file.txt", &rel, &base);
  EXPECT_EQ(rel, "file.txt");
  EXPECT_EQ(base, "/home/u");
  m.rememberDragDir("/data/drop");
  m.rememberDragDir("/data/drop");
  EXPECT_EQ(m.DragDirs().size(), 1u);
  m.splitRemoteName("/data/drop/F/G/x", &rel, &base);
  EXPECT_EQ(rel, "F/G/x");
  EXPECT_EQ(base, "/data/drop");
  m.rememberDragDir("/data/drop/F");
  m.splitRemoteName("/data/drop/F", &rel, &base);
  EXPECT_EQ(rel, "F") << "a path that is itself a drag dir";
  EXPECT_EQ(base, "/data/drop");
  m.splitRemoteName("/data/drop/F/", &rel, &base);
  EXPECT_EQ(rel, "F/") << "the first recorded dir that occurs wins";
}

TEST(FileBackupMgrTest, NewDropsJoinTheDropListWithoutDuplicates) {
  FileBackupMgr m;
  std::vector<std::string> out;
  m.addNewDrop("/a");
  m.addNewDrop("/b");
  m.takeNewDrops(&out);
  EXPECT_EQ(out, (std::vector<std::string>{"/a", "/b"}));
  m.addNewDrop("/b");
  m.addNewDrop("/c");
  m.takeNewDrops(&out);
  EXPECT_EQ(out, (std::vector<std::string>{"/b", "/c"}));
  EXPECT_EQ(m.DropList(), (std::list<std::string>{"/a", "/b", "/c"}));
  m.takeNewDrops(&out);
  EXPECT_TRUE(out.empty());
}

TEST(FileBackupMgrTest, ListsAndCountsMoveAsBatches) {
  kvtest::LogCapture log;
  FileBackupMgr m;
  m.addPendingFile("/one");
  m.addFilesToSubFileList({"/two", "/three"});
  EXPECT_TRUE(
      log.Contains("FileBackupMgr::addFilesToSubFileList: exsit: 1, input: 2", "FileBackupMgr"));
  EXPECT_TRUE(log.Contains("FileBackupMgr::addFilesToSubFileList: after add: 3", "FileBackupMgr"));
  std::vector<std::string> taken{"/kept"};
  m.takePendingDigests(&taken, 2);
  EXPECT_EQ(taken, (std::vector<std::string>{"/kept", "/one", "/two"}));
  m.takePendingDigests(&taken, 10);
  EXPECT_EQ(taken.back(), "/three");
  EXPECT_EQ(m.PendingDigestCount(), 0u);
  EXPECT_EQ(m.RemainingFiles(), 1);
  m.decrementRemaining();
  m.decrementRemaining();
  EXPECT_EQ(m.RemainingFiles(), 0) << "never below 0";
  m.addBackupFile("d1", 7, "/f", 3, 12);
  std::vector<BackupFileRecord> queue;
  m.takeUploadQueue(&queue);
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].fid, 7);
  EXPECT_EQ(queue[0].pid, 3);
  EXPECT_EQ(queue[0].size, 12);
  EXPECT_EQ(queue[0].resumed, 0);
  EXPECT_EQ(queue[0].sha, "d1");
  m.takeUploadQueue(&queue);
  EXPECT_TRUE(queue.empty());
  ShaFileRecord r;
  r.relPath = "x";
  m.addShaFile(r);
  std::vector<ShaFileRecord> shas;
  m.takeShaFiles(&shas);
  ASSERT_EQ(shas.size(), 1u);
  m.takeShaFiles(&shas);
  EXPECT_TRUE(shas.empty());
}

TEST(FileBackupMgrTest, ClearAllKeepsDragDirsAndTheRootId) {
  FileBackupMgr m;
  CldFileInfo root;
  root.type = 0;
  m.addRemoteEntry(4, -1, root, true);
  m.rememberDragDir("/d");
  m.addPendingFile("/p");
  m.clearAll();
  EXPECT_EQ(m.RemainingFiles(), 0);
  EXPECT_EQ(m.PendingDigestCount(), 0u);
  EXPECT_EQ(m.findRemoteIdByPath("kvsfodra"), -2);
  EXPECT_EQ(m.remoteRootId(), 4);
  EXPECT_EQ(m.DragDirs().size(), 1u);
}
