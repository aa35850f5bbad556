#include <gtest/gtest.h>

#include <thread>

#include "platform/MessageQueue.h"
#include "session/Messages.h"

namespace {

using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

int g_freed = 0;

struct CountedPaths : msg::DropPathsRecord {
  ~CountedPaths() override { ++g_freed; }
};

class Window : public platform::MessageHandler {
 public:
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override {
    if (message == msg::WM_DROP_PATHS) {
      const msg::DropPathsRecord* record = msg::RecordFrom<msg::DropPathsRecord>(w);
      if (record != nullptr) paths = record->paths;
      wrongType = msg::RecordFrom<msg::CalcShaResult>(w) != nullptr;
      freedDuringHandler = g_freed;
    }
    if (message == msg::WM_UPLOAD_STATUS) {
      const msg::TaskStateRecord* state = msg::LentState(l);
      statusTask = static_cast<int>(w);
      if (state != nullptr) statusText = state->message;
    }
    if (message == msg::WM_UPLOAD_DONE) {
      const auto* end = msg::RecordFrom<msg::UploadEndRecord>(w);
      const auto* state = msg::RecordFrom<msg::TaskStateRecord>(static_cast<WPARAM>(l));
      doneFid = end != nullptr ? end->fid : -1;
      doneState = state != nullptr ? state->state : -1;
    }
    return 7;
  }
  std::vector<std::string> paths;
  bool wrongType = true;
  int freedDuringHandler = -1;
  int statusTask = -1;
  std::string statusText;
  int64_t doneFid = 0;
  int32_t doneState = 0;
};

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { g_freed = 0; }
  void TearDown() override { platform::MessageQueue::Instance().Reset(); }
  Window window_;
};

TEST_F(MessagesTest, NumbersOfTheCatalogue) {
  EXPECT_EQ(msg::WM_UPLOAD_PROGRESS, 0x84Fu);
  EXPECT_EQ(msg::WM_UPLOAD_INFO, 0x852u);
  EXPECT_EQ(msg::WM_NETWORK_FAILED, 0x858u);
  EXPECT_EQ(msg::WM_CLIENT_EVENT, 0x85Au);
  EXPECT_EQ(msg::WM_DIGEST_DONE, 0x85Du);
  EXPECT_EQ(msg::WM_BACKUP_NOTIFY, 0x860u);
  EXPECT_EQ(msg::WM_SPEED_CHANGED, 0x863u);
  EXPECT_EQ(msg::WM_SHOW_MAIN, 0x867u);
  EXPECT_EQ(msg::WM_DROP_PATHS, 0x868u);
  EXPECT_EQ(msg::WM_MENU_COMMAND, 0x7F0u);
}

TEST_F(MessagesTest, HandledRecordIsFreedOnceAfterTheHandler) {
  const platform::HWND hwnd = platform::CreateWindowHandle(&window_);
  auto record = std::make_unique<CountedPaths>();
  record->paths = {"/a/b", "/c"};
  ASSERT_TRUE(msg::PostRecord(hwnd, msg::WM_DROP_PATHS, std::move(record)));
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(window_.paths, (std::vector<std::string>{"/a/b", "/c"}));
  EXPECT_FALSE(window_.wrongType);
  EXPECT_EQ(window_.freedDuringHandler, 0);
  EXPECT_EQ(g_freed, 1);
  platform::DestroyWindowHandle(hwnd);
  EXPECT_EQ(g_freed, 1);
}

TEST_F(MessagesTest, DroppedRecordIsFreedOnce) {
  const platform::HWND hwnd = platform::CreateWindowHandle(&window_);
  ASSERT_TRUE(msg::PostRecord(hwnd, msg::WM_DROP_PATHS, std::make_unique<CountedPaths>()));
  platform::DestroyWindowHandle(hwnd);
  EXPECT_EQ(g_freed, 1);
  EXPECT_FALSE(msg::PostRecord(hwnd, msg::WM_DROP_PATHS, std::make_unique<CountedPaths>()));
  EXPECT_EQ(g_freed, 2);
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_TRUE(window_.paths.empty());
  EXPECT_EQ(g_freed, 2);
}

TEST_F(MessagesTest, LentStateIsReadDuringTheSendFromAWorker) {
  const platform::HWND hwnd = platform::CreateWindowHandle(&window_);
  LRESULT result = 0;
  std::thread worker([&] {
    msg::TaskStateRecord state;
    state.state = 2;
    state.message = "running";
    result = msg::SendUploadStatus(hwnd, 4, state);
  });
  while (window_.statusTask < 0) platform::MessageQueue::Instance().DispatchPending();
  worker.join();
  EXPECT_EQ(result, 7);
  EXPECT_EQ(window_.statusTask, 4);
  EXPECT_EQ(window_.statusText, "running");
}

TEST_F(MessagesTest, UploadDoneCarriesBothRecords) {
  const platform::HWND hwnd = platform::CreateWindowHandle(&window_);
  auto end = std::make_unique<msg::UploadEndRecord>();
  end->fid = 99;
  auto state = std::make_unique<msg::TaskStateRecord>();
  state->state = 6;
  EXPECT_EQ(msg::SendUploadDone(hwnd, std::move(end), std::move(state)), 7);
  EXPECT_EQ(window_.doneFid, 99);
  EXPECT_EQ(window_.doneState, 6);
  window_.doneFid = 0;
  ASSERT_TRUE(msg::PostUploadDone(hwnd, std::make_unique<msg::UploadEndRecord>(), nullptr));
  platform::MessageQueue::Instance().DispatchPending();
  EXPECT_EQ(window_.doneFid, 0);
  EXPECT_EQ(window_.doneState, -1);
}

}  // namespace
