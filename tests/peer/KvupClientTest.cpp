// kvup-client as a program, against a scripted link end in the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/ChildProcess.h"
#include "common/LoopbackSocket.h"
#include "peer/ClientMessage.h"
#include "peer/MessageFramer.h"

namespace {

using kvtest::ChildProcess;
using peer::ClientMessage;

// Accepts one client, answers hello with 1 and start with 7 (or what `reply`
// says), and keeps every message until the client goes away.
class ScriptedLinkEnd {
 public:
  using Reply = std::string (*)(int type);

  explicit ScriptedLinkEnd(Reply reply) : reply_(reply) {
    EXPECT_TRUE(listener_.Open());
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedLinkEnd() { thread_.join(); }

  uint16_t port() const { return listener_.port(); }
  std::vector<std::string> Messages() {
    thread_.join();
    thread_ = std::thread([] {});
    return messages_;
  }

  static std::string Standard(int type) { return type == 0 ? "1" : type == 10 ? "7" : ""; }

 private:
  void Serve() {
    kvtest::LoopbackClient conn(listener_.Accept(10000));
    if (conn.fd() < 0) return;
    peer::MessageFramer framer;
    for (;;) {
      const std::string bytes = conn.Receive(10000);
      if (bytes.empty()) return;
      framer.Feed(bytes.data(), bytes.size());
      std::string m;
      size_t dropped = 0;
      while (framer.Next(&m, &dropped) == peer::MessageFramer::Result::kMessage) {
        messages_.push_back(m);
        const std::string answer = reply_(ClientMessage::Parse(m).type);
        if (!answer.empty() && !conn.Send(answer)) return;
      }
    }
  }

  Reply reply_;
  kvtest::LoopbackListener listener_;
  std::vector<std::string> messages_;
  std::thread thread_;
};

int RunClient(const std::vector<std::string>& args, std::string* output, int timeoutMs = 20000) {
  ChildProcess client;
  std::vector<std::string> argv{kvtest::BuiltProgram("kvup-client")};
  argv.insert(argv.end(), args.begin(), args.end());
  EXPECT_TRUE(client.Start(argv));
  const int code = client.Wait(timeoutMs);
  *output = client.Output();
  return code;
}

int CountLines(const std::string& output, const std::string& pattern) {
  const std::regex re(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )" + pattern + "(\n|$)");
  return static_cast<int>(std::distance(std::sregex_iterator(output.begin(), output.end(), re),
                                        std::sregex_iterator()));
}

TEST(KvupClient, ScriptedSessionSendsEveryMessageAndPrintsEveryCode) {
  ScriptedLinkEnd link(&ScriptedLinkEnd::Standard);
  std::string out;
  const int code = RunClient(
      {"--port", std::to_string(link.port()), "--session", "abc", "--account=u1", "--domain",
       "d.example", "hello", "wait=1", "cookies", "start", "wait=7,5000", "toggle", "show",
       "logout", "login", "drop=some/file", "send={\"type\":42}", "quit"},
      &out);
  EXPECT_EQ(code, 0) << out;
  EXPECT_EQ(CountLines(out, "status 1"), 1) << out;
  EXPECT_EQ(CountLines(out, "status 7"), 1) << out;

  const std::vector<std::string> m = link.Messages();
  const std::vector<int> types{0, 1, 10, 11, 12, 13, 14, 20, 42, 9};
  ASSERT_EQ(m.size(), types.size()) << out;
  for (size_t i = 0; i < m.size(); ++i)
    EXPECT_EQ(ClientMessage::Parse(m[i]).type, types[i]) << m[i];

  const ClientMessage cookies = ClientMessage::Parse(m[1]);
  ASSERT_EQ(cookies.cookies.size(), 2u);
  EXPECT_EQ(cookies.cookies[0], (peer::CookieRecord{"d.example", "GSESSIONID", "abc", "/"}));
  EXPECT_EQ(cookies.cookies[1], (peer::CookieRecord{"d.example", "cookieUserAccount", "u1", "/"}));
  EXPECT_FALSE(ClientMessage::Parse(m[0]).hasCookies);
  EXPECT_EQ(ClientMessage::Parse(m[6]).cookies, cookies.cookies);  // login hands them again
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(ClientMessage::Parse(m[7]).paths, std::vector<std::string>{cwd + "/some/file"});
}

TEST(KvupClient, WaitThatTimesOutEndsTheRunWithExitOne) {
  ScriptedLinkEnd link([](int) { return std::string(); });
  std::string out;
  EXPECT_EQ(RunClient({"--port", std::to_string(link.port()), "hello", "wait=1,300", "quit"}, &out),
            1);
  EXPECT_NE(out.find("timed out waiting for 1"), std::string::npos) << out;
  // The run stopped at the wait: quit was never sent.
  EXPECT_EQ(link.Messages().size(), 1u);
}

TEST(KvupClient, CodesArrivingTogetherAreEachPrintedAndClaimedInOrder) {
  ScriptedLinkEnd link([](int type) { return std::string(type == 0 ? "1" : "274"); });
  std::string out;
  EXPECT_EQ(RunClient({"--port", std::to_string(link.port()), "hello", "start", "wait=7", "wait=4",
                       "wait=2,200"},
                      &out),
            1)
      << out;  // 2 came before 7 and was passed over by the wait for 7
  EXPECT_EQ(CountLines(out, "status 2"), 1) << out;
  EXPECT_EQ(CountLines(out, "status 7"), 1) << out;
  EXPECT_EQ(CountLines(out, "status 4"), 1) << out;
  EXPECT_LT(out.find("status 2"), out.find("status 7"));
}

TEST(KvupClient, LinkClosedDuringWaitAndMissingServerHaveTheirOwnExitCodes) {
  {
    kvtest::LoopbackListener listener;
    ASSERT_TRUE(listener.Open());
    std::thread closer([&] { close(listener.Accept(10000)); });
    std::string out;
    EXPECT_EQ(RunClient({"--port", std::to_string(listener.port()), "wait=1"}, &out), 4) << out;
    closer.join();
  }
  std::string out;
  EXPECT_EQ(RunClient({"--port", std::to_string(kvtest::FreeLoopbackPort()), "--connect-wait", "0",
                       "hello"},
                      &out),
            3)
      << out;
  EXPECT_EQ(RunClient({"--port", "0", "hello"}, &out), 2);
  EXPECT_EQ(RunClient({"hello", "wait=x"}, &out), 2);
  EXPECT_EQ(RunClient({"cookies"}, &out), 2);  // no cookies given
  EXPECT_EQ(RunClient({}, &out), 2);
  EXPECT_EQ(RunClient({"--help"}, &out), 0);
  EXPECT_NE(out.find("wait=CODE"), std::string::npos);
}

}  // namespace
