// A dropped folder tree ends on the service as it is locally; dropped again
// it uploads nothing; a changed file goes up again.
#include <filesystem>

#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

class SyncTest : public PipelineWorld {
 protected:
  const std::vector<std::string> kFiles = {"a.txt", "empty.bin", "sub/nested/deep.bin",
                                           "中文 名字.txt", "quote\"d'.txt"};
  const std::vector<std::string> kEmptyFolders = {"空文件夹", "sub/emptydir"};

  void MakeTree() {
    const size_t sizes[] = {1000, 0, 300000, 2048, 77};
    for (size_t i = 0; i < kFiles.size(); ++i) MakeFile("tree/" + kFiles[i], sizes[i]);
    for (const std::string& folder : kEmptyFolders)
      std::filesystem::create_directories(dir_.Sub("tree/" + folder));
  }
  void ExpectTreeHeld() {
    const auto tree = RemoteTree();
    for (const std::string& file : kFiles) {
      ASSERT_TRUE(tree.count("tree/" + file)) << file;
      const RemoteEntry& e = tree.at("tree/" + file);
      EXPECT_EQ(e.status, 1) << file;
      EXPECT_EQ(ReadAll(e.content), ReadAll(dir_.Sub("tree/" + file))) << file;
    }
    for (const std::string& folder : kEmptyFolders) {
      ASSERT_TRUE(tree.count("tree/" + folder)) << folder;
      EXPECT_EQ(tree.at("tree/" + folder).type, 2) << folder;
    }
  }
  void DropTreeAndWaitFor(int32_t code) {
    const int before = CodeCount(code);
    Pipeline().OnDrop({dir_.Sub("tree")});
    ASSERT_TRUE(PumpUntil([&] { return CodeCount(code) > before; }));
    ASSERT_TRUE(PumpQuiet(300));
  }
};

TEST_F(SyncTest, TreeIsHeldThenNothingIsSentAgainThenAChangeIsSent) {
  Start();
  MakeTree();
  DropTreeAndWaitFor(DropPipeline::kCodeFinished);
  ExpectTreeHeld();
  ASSERT_TRUE(writer_.Drain());
  EXPECT_EQ(Rows(dbschema::Database::kLog, "SELECT name FROM log").size(), kFiles.size());
  EXPECT_EQ(COptions::Instance().m_workState.load(), WorkState::kReady);
  EXPECT_EQ(COptions::Instance().m_busy.load(), BusyState::kIdle);
  EXPECT_FALSE(view_.buttonsRunning);

  // Again, once the comparison's picture is due for a rebuild.
  const std::string initRule = "breakPointUploadInitAction:delay=1:times=0";
  const std::string chunkRule = "breakPointUploadAction:delay=1:times=0";
  AddFault(initRule + "\n" + chunkRule);
  now_ += 60;
  const size_t codesBefore = codes_.size();
  DropTreeAndWaitFor(DropPipeline::kCodeNothingToUpload);
  EXPECT_EQ(Seen(initRule), 0);
  EXPECT_EQ(Seen(chunkRule), 0);
  EXPECT_EQ(std::vector<int32_t>(codes_.begin() + codesBefore, codes_.end()),
            std::vector<int32_t>{DropPipeline::kCodeNothingToUpload});
  ExpectTreeHeld();

  // A changed file goes up again, alone.
  dir_.WriteFile("tree/a.txt", "changed since the last drop");
  now_ += 60;
  DropTreeAndWaitFor(DropPipeline::kCodeFinished);
  EXPECT_EQ(Seen(initRule), 1);
  EXPECT_GT(Seen(chunkRule), 0);
  ExpectTreeHeld();
  EXPECT_EQ(ReadAll(RemoteTree().at("tree/a.txt").content), "changed since the last drop");
}

}  // namespace
}  // namespace pipetest
