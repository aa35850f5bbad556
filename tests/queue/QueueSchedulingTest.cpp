// Scheduling and the engine's notifications, with the real upload pool
// against the stand-in service.
#include <algorithm>

#include "QueueWorld.h"
#include "common/LogCapture.h"
#include "session/COptions.h"
#include "upload/TaskState.h"

namespace queuetest {
namespace {

class QueueSchedulingTest : public QueueWorld {};

TEST_F(QueueSchedulingTest, EightFilesRunFiveListedThreeAtATimeAndTheLastEndDrains) {
  Start();
  const int64_t root = RootId();
  for (int i = 1; i <= 8; ++i) QueueFile(MakeFile("f" + std::to_string(i), 300000), root);

  queue_->upldNewFiles();
  ASSERT_EQ(queue_->Tasks().size(), 5u);
  EXPECT_EQ(queue_->ActiveCount(), 3);
  EXPECT_EQ(queue_->Pending().size(), 3u);
  // Tasks come from the end of the pending records.
  EXPECT_EQ(view_.added, (std::vector<std::string>{"f8", "f7", "f6", "f5", "f4"}));
  EXPECT_EQ(view_.countLabel, "    剩余文件数: 8");

  int mostActive = 0;
  size_t mostListed = 0;
  ASSERT_TRUE(PumpUntil([&] {
    mostActive = std::max(mostActive, queue_->ActiveCount());
    mostListed = std::max(mostListed, queue_->Tasks().size());
    return Drained() > 0;
  }));
  EXPECT_EQ(mostActive, 3);
  EXPECT_EQ(mostListed, 5u);
  EXPECT_EQ(Drained(), 1) << "only the last end leaves the list empty";
  EXPECT_EQ(view_.removed.size(), 8u);
  EXPECT_TRUE(queue_->Tasks().empty());
  EXPECT_EQ(queue_->ActiveCount(), 0);
  EXPECT_TRUE(queue_->BatchFailures().empty());
  EXPECT_GT(dropLog_.counts[msg::WM_SPEED_CHANGED], 0);

  ASSERT_TRUE(writer_.Drain());
  const auto rows =
      Rows(dbschema::Database::kLog, "SELECT name, path, size, type, userid FROM log");
  ASSERT_EQ(rows.size(), 8u);
  for (const auto& row : rows) {
    EXPECT_EQ(row[1], dir_.Sub("files"));
    EXPECT_EQ(row[2], "300000");
    EXPECT_EQ(row[3], "0");
    EXPECT_EQ(row[4], "7");
  }
}

TEST_F(QueueSchedulingTest, InstantUploadWritesItsHistoryRowAsInstant) {
  Start();
  const std::string path = MakeFile("same.bin", 200000);
  std::string content(200000, '\0');
  {
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fread(content.data(), 1, content.size(), f), content.size());
    fclose(f);
  }
  UploadDirectly("held-copy.bin", content);
  QueueFile(path, RootId());
  queue_->upldNewFiles();
  ASSERT_TRUE(PumpUntil([&] { return Drained() > 0; }));
  ASSERT_TRUE(writer_.Drain());
  const auto rows = Rows(dbschema::Database::kLog, "SELECT name, path, size, type FROM log");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (DBWrapper::Row{"same.bin", dir_.Sub("files"), "200000", "1"}));
  EXPECT_EQ(view_.status.begin()->second, "结束");
}

TEST_F(QueueSchedulingTest, MessagesForATaskThatIsGoneAreLoggedAndTheirRecordsFreedOnce) {
  Start();
  static int freed = 0;
  struct CountedEnd : msg::UploadEndRecord {
    ~CountedEnd() override { ++freed; }
  };
  struct CountedState : msg::TaskStateRecord {
    ~CountedState() override { ++freed; }
  };
  struct CountedProgress : msg::UploadProgressRecord {
    ~CountedProgress() override { ++freed; }
  };
  kvtest::LogCapture log;
  auto end = std::make_unique<CountedEnd>();
  end->taskIndex = 9999;
  platform::PostOwnedMessage(notifyWindow_, msg::WM_UPLOAD_DONE, std::move(end),
                             std::make_unique<CountedState>());
  auto progress = std::make_unique<CountedProgress>();
  progress->taskIndex = 9999;
  msg::PostRecord(notifyWindow_, msg::WM_UPLOAD_PROGRESS, std::move(progress));
  ASSERT_TRUE(PumpUntil([&] { return freed == 3; }));
  EXPECT_TRUE(log.Contains("[OnEnd]: The task [9999] is in destroying.", "UIDLG"));
  EXPECT_TRUE(
      log.Contains("[OnUpdateProgress]: The task [9999] has been destroyed already.", "UIDLG"));
  EXPECT_TRUE(view_.status.empty());
  EXPECT_EQ(freed, 3);
}

TEST_F(QueueSchedulingTest, OfflineSchedulesNothing) {
  Start();
  COptions::Instance().m_workState = WorkState::kOffline;
  QueueFile(MakeFile("a", 1000), RootId());
  queue_->upldNewFiles();
  EXPECT_EQ(queue_->Tasks().size(), 1u);
  EXPECT_EQ(queue_->ActiveCount(), 0);
  EXPECT_FALSE(queue_->Tasks().front()->controller);
}

}  // namespace
}  // namespace queuetest
