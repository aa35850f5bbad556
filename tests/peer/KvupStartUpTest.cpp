// kvup as a process, driven over its link by kvup-client or by a client end
// in the test: the start-up gate, the databases appearing only after start,
// quit signals during the wait, and the end of the run through the client.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/DesktopLink.h"
#include "common/KvupProcessTest.h"
#include "sqlite/DBWrapper.h"

namespace {

namespace fs = std::filesystem;
using kvtest::ChildProcess;

class KvupStartUp : public kvtest::KvupProcessTest {
 protected:
  std::vector<DBWrapper::Row> Users() const {
    DBWrapper config(Kvd() + "/config");
    if (!config.Open()) return {};
    config.Query("SELECT name FROM user ORDER BY id;");
    std::vector<DBWrapper::Row> rows = config.Rows();
    config.Close();
    return rows;
  }
};

TEST_F(KvupStartUp, ClientSessionRunsKvupToItsMessageLoopAndQuitEndsItInOrder) {
  LaunchKvup();
  ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies", "start", "wait=7", "sleep=200", "quit",
                        "hold=" + std::to_string(kLong)});
  ASSERT_TRUE(WaitForLog("KVUP|KVUP message loop ended")) << Log() << client.Output();
  EXPECT_EQ(kvup_->Wait(kLong), 0) << kvup_->Output();
  EXPECT_EQ(client.Wait(kLong), 0) << client.Output();
  EXPECT_NE(client.Output().find("status 1"), std::string::npos) << client.Output();
  EXPECT_NE(client.Output().find("status 7"), std::string::npos) << client.Output();
  EXPECT_NE(client.Output().find("link closed by kvup"), std::string::npos) << client.Output();

  for (const char* f : {"config", "txlog", "log", "cache"})
    EXPECT_TRUE(fs::exists(Kvd() + "/" + f));
  EXPECT_EQ(Users(), std::vector<DBWrapper::Row>{{"alice"}}) << "the cookies reached kvup";
  const size_t waits = LogAt("KVUP|KVUP wait for event from CIMG");
  const size_t works = LogAt("KVUP|KVUP now begin to work-");
  const size_t loop = LogAt("KVUP|KVUP message loop starts, user id 1");
  const size_t quit = LogAt("DndUiDlg|CDndUiDlg::OnClientMsgCome: 9");
  const size_t ended = LogAt("KVUP|KVUP message loop ended");
  ASSERT_NE(ended, std::string::npos) << Log();
  EXPECT_LT(waits, works);
  EXPECT_LT(works, loop);
  EXPECT_LT(loop, quit);
  EXPECT_LT(quit, ended);
}

TEST_F(KvupStartUp, DatabasesAppearOnlyAfterTheStartMessage) {
  LaunchKvup();
  kvtest::DesktopLink link;
  ASSERT_TRUE(link.ConnectAndGreet(port_));
  ASSERT_TRUE(link.SendCookies("abc", "alice"));
  // A hello answered shows that the cookies before it were handled.
  ASSERT_TRUE(link.socket().Send("{\"type\":0}"));
  ASSERT_EQ(link.socket().Receive(kLong), "1");
  EXPECT_FALSE(WaitFor([&] { return fs::exists(Kvd()); }, kShort)) << "touched before start";
  EXPECT_EQ(LogAt("KVUP|KVUP now begin to work-"), std::string::npos);

  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(Kvd() + "/log"); })) << Log();
  ASSERT_TRUE(WaitForLog("KVUP|KVUP message loop starts, user id 1")) << Log();
  // A second start changes nothing and gets no answer.
  ASSERT_TRUE(link.socket().Send("{\"type\":10}"));
  EXPECT_EQ(link.socket().Receive(kShort), "");
  kvup_->Signal(SIGTERM);
  EXPECT_EQ(kvup_->Wait(kLong), 0) << kvup_->Output();
  EXPECT_EQ(Users(), std::vector<DBWrapper::Row>{{"alice"}});
}

TEST_F(KvupStartUp, QuitSignalsDuringTheWaitEndKvupWithExitZero) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    fs::remove(dir_.Sub("kvup.log"));
    LaunchKvup();
    kvtest::DesktopLink link;
    ASSERT_TRUE(link.ConnectAndGreet(port_));
    kvup_->Signal(signal);
    EXPECT_EQ(kvup_->Wait(kLong), 0) << kvup_->Output();
    EXPECT_TRUE(link.socket().ClosedByPeer(kLong));
    EXPECT_FALSE(fs::exists(Kvd()));
    EXPECT_EQ(LogAt("KVUP|KVUP now begin to work-"), std::string::npos) << Log();
  }
  // Also when no client ever came.
  fs::remove(dir_.Sub("kvup.log"));
  LaunchKvup();
  kvup_->Signal(SIGTERM);
  EXPECT_EQ(kvup_->Wait(kLong), 0) << kvup_->Output();
  EXPECT_FALSE(fs::exists(Kvd()));
}

TEST_F(KvupStartUp, ClientThatLeavesBeforeStartEndsTheWait) {
  LaunchKvup();
  ChildProcess client;
  LaunchClient(client, {"hello", "wait=1", "cookies"});
  EXPECT_EQ(client.Wait(kLong), 0) << client.Output();
  EXPECT_EQ(kvup_->Wait(kLong), 0) << Log();
  EXPECT_NE(LogAt("KVUP|KVUP the link ended before the start message, exit"), std::string::npos)
      << Log();
  EXPECT_FALSE(fs::exists(Kvd()));
}

TEST_F(KvupStartUp, TakenPortEndsTheWait) {
  kvtest::LoopbackListener other;
  ASSERT_TRUE(other.Open());
  LaunchKvup(other.port());
  EXPECT_EQ(kvup_->Wait(kLong), 0) << kvup_->Output();
  EXPECT_NE(LogAt("KVUP|KVUP the link ended before the start message, exit"), std::string::npos)
      << Log();
  EXPECT_FALSE(fs::exists(Kvd()));
}

TEST_F(KvupStartUp, ClientThatClosesRightAfterStartStillEndsTheRun) {
  LaunchKvup();
  ChildProcess client;
  // The close follows the start at once: it may reach kvup before its
  // start-up has a window for the link's posts.
  LaunchClient(client, {"hello", "wait=1", "cookies", "start"});
  EXPECT_EQ(client.Wait(kLong), 0) << client.Output();
  EXPECT_EQ(kvup_->Wait(kLong), 0) << Log();
  EXPECT_NE(LogAt("DndUiDlg|CDndUiDlg::OnClientMsgCome: 9"), std::string::npos) << Log();
  EXPECT_TRUE(fs::exists(Kvd() + "/log"));
}

}  // namespace
