#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "RemoteWorld.h"
#include "common/LogCapture.h"
#include "common/RawHttpServer.h"
#include "pipeline/MiscToolMgr.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"

namespace {

using kvtest::PumpUntil;
using pipetest::RemoteWorld;

// A recording server whose first answer waits until the test lets it go, so
// the worker is busy in a request meanwhile.
class HeldServer {
 public:
  HeldServer()
      : server_([this](const kvtest::RawRequest&) {
          std::unique_lock<std::mutex> lock(mutex_);
          released_.wait(lock, [this] { return open_; });
          return kvtest::RawHttpServer::JsonResponse(R"({"status":0,"description":"OK"})");
        }) {}
  ~HeldServer() { Release(); }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    released_.notify_all();
  }
  kvtest::RawHttpServer& server() { return server_; }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool open_ = false;
  kvtest::RawHttpServer server_;
};

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(MiscToolMgrWireTest, DeletionsAddedWhileBusyGoOutInOrder) {
  HeldServer held;
  ServiceConfig::Instance().SetBaseUrl(held.server().BaseUrl());
  COptions options;
  options.AddCookie({"h", "GSESSIONID", "s1", "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
  {
    MiscToolMgr misc(options);
    ASSERT_EQ(misc.Start(), 0);
    misc.addDeleteFile(5);
    ASSERT_TRUE(WaitFor([&] { return held.server().Requests().size() == 1; }));
    EXPECT_EQ(misc.Mode(), MiscToolMgr::kIdle) << "the list was taken";
    misc.addDeleteFile(9);
    misc.addDeleteFile(-3);
    misc.addDeleteFile(7);
    EXPECT_EQ(misc.Mode(), MiscToolMgr::kWaiting);
    held.Release();
    ASSERT_TRUE(WaitFor([&] { return held.server().Requests().size() == 4; }));
  }
  ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  const std::vector<kvtest::RawRequest> seen = held.server().Requests();
  ASSERT_EQ(seen.size(), 4u);
  std::vector<std::string> bodies;
  for (const kvtest::RawRequest& r : seen) bodies.push_back(r.body);
  EXPECT_EQ(bodies, (std::vector<std::string>{"gSessionId=s1&fid=5", "gSessionId=s1&fid=9",
                                              "gSessionId=s1&fid=-3", "gSessionId=s1&fid=7"}));
  EXPECT_EQ(seen[0].requestLine, "POST /wbx/filebackup/deleteFileAction.json? HTTP/1.1");
  std::vector<std::string> ours;
  for (const std::string& h : seen[0].headers) {
    if (h.rfind("Host:", 0) != 0 && h.rfind("Content-Length:", 0) != 0 &&
        h.rfind("Cookie:", 0) != 0)
      ours.push_back(h);
  }
  EXPECT_EQ(ours, (std::vector<std::string>{
                      "Connection: keep-alive", "Accept: */*",
                      "Content-Type: application/x-www-form-urlencoded;charset=UTF-8",
                      "Accept-Encoding: UTF-8,gzip,deflate,sdch", "Accept-Language: zh-CN,zh",
                      "Accept-Charset: UTF-8", "User-Agent: quorel"}));
  EXPECT_EQ(seen[0].Header("Cookie"), "GSESSIONID=s1;");
}

class MiscToolMgrTest : public RemoteWorld {};

// No window of its own: the failure reaches the process's one target, which
// start-up may set after the worker started.
TEST_F(MiscToolMgrTest, UnreachableServiceIsReportedToTheProcessTargetSetAfterStart) {
  COptions::Instance().m_dropWnd = nullptr;
  MiscToolMgr misc(options_);
  ASSERT_EQ(misc.Start(), 0);
  COptions::Instance().m_dropWnd = window_;
  service_.Stop();
  misc.addDeleteFile(5);
  EXPECT_TRUE(PumpUntil([&] { return messages_.Count(msg::WM_NETWORK_FAILED) == 1; }));
}

TEST_F(MiscToolMgrTest, DeletionAddedWhilePausedWaitsForTheNextOne) {
  const int64_t root = RootId();
  const int64_t first = UploadFile(root, "first", "1");
  const int64_t second = UploadFile(root, "second", "2");
  kvtest::LogCapture log;
  MiscToolMgr misc(options_);
  misc.SetWindow(window_);
  ASSERT_EQ(misc.Start(), 0);
  misc.SetPaused(true);
  misc.addDeleteFile(first);
  ASSERT_TRUE(WaitFor([&] { return log.Contains("MiscToolMgr: paused, wake put aside"); }));
  misc.SetPaused(false);
  EXPECT_EQ(misc.PendingCount(), 1u) << "held back, not sent";
  EXPECT_EQ(misc.Mode(), MiscToolMgr::kWaiting);
  EXPECT_TRUE(Exists(first));
  misc.addDeleteFile(second);
  ASSERT_TRUE(WaitFor([&] { return !Exists(first) && !Exists(second); }))
      << "both went out with the next deletion";
  const std::vector<std::string> lines = log.Lines();
  const auto at = [&](const std::string& text) {
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_LT(at("MiscToolMgr::deleteFile: fid " + std::to_string(first)),
            at("MiscToolMgr::deleteFile: fid " + std::to_string(second)));
}

TEST_F(MiscToolMgrTest, PauseDropsTheRestOfABatch) {
  const int64_t root = RootId();
  const int64_t kept = UploadFile(root, "kept", "k");
  AddFault("deleteFileAction:delay=1500:times=1");
  kvtest::LogCapture log;
  MiscToolMgr misc(options_);
  misc.addDeleteFile(999999);  // both wait before the worker runs: one batch
  misc.addDeleteFile(kept);
  ASSERT_EQ(misc.Start(), 0);
  ASSERT_TRUE(WaitFor([&] { return Seen("deleteFileAction:delay=1500:times=1") == 1; }));
  misc.SetPaused(true);
  ASSERT_TRUE(WaitFor([&] { return log.Contains("MiscToolMgr: paused, 1 deletions dropped"); }));
  misc.SetPaused(false);
  misc.addDeleteFile(999998);  // the next batch
  ASSERT_TRUE(WaitFor([&] { return log.Contains("MiscToolMgr::deleteFile: fid 999998"); }));
  EXPECT_EQ(log.Count("MiscToolMgr::deleteFile: fid " + std::to_string(kept)), 0);
  EXPECT_TRUE(Exists(kept));
}

TEST_F(MiscToolMgrTest, StoppingWhileTheServiceIsSilentEndsTheWorker) {
  AddFault("deleteFileAction:stall=60000");
  kvtest::LogCapture log;
  auto misc = std::make_unique<MiscToolMgr>(options_);
  ASSERT_EQ(misc->Start(), 0);
  misc->addDeleteFile(1);
  ASSERT_TRUE(WaitFor([&] { return Seen("deleteFileAction:stall=60000") == 1; }));
  misc.reset();  // aborts the request and joins the worker
  EXPECT_TRUE(log.Contains("After  ~DMGR(", "MiscToolMgr"));
  EXPECT_FALSE(log.Contains("worker still running at destruction"));
}

}  // namespace
