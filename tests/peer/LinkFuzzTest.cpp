// kvup's desktop-client link under fuzzed input. Each case is one kvup run and
// its one connection: a seeded stream of random bytes, cut, huge, deeply
// nested, wrongly typed, NUL-carrying, invalid UTF-8, commented and otherwise
// broken messages with valid ones in between, first while start-up waits for
// the start message and then after it. After each half kvup must still read
// and answer a hello, and at the end it must not have crashed and must end
// when its client leaves.
//
// KVUP_LINK_FUZZ_SEED (the first case's seed; case N uses seed + N) and
// KVUP_LINK_FUZZ_MESSAGES (messages per case) replay or lengthen a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/KvupProcessTest.h"
#include "peer/ClientMessage.h"
#include "peer/MessageFramer.h"

namespace {

constexpr uint64_t kDefaultSeed = 0x6b767570;  // "kvup"
constexpr uint64_t kDefaultMessages = 5000;
constexpr int kConnections = 4;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 0) : fallback;
}

// Makes the messages. Valid ones never quit (that would end the run) or drop
// paths (that would start work on files), and before the second half none
// starts kvup. Mutations insert and replace only bytes that are no digits, so
// they turn no message into one of those (random bytes that happen to finish
// a cut message could, too rarely to matter; an early start is tolerated).
class LinkFuzzer {
 public:
  explicit LinkFuzzer(uint64_t seed) : rng_(seed) {}

  std::string Next(bool started) {
    const size_t kind = Below(100);
    if (kind < 30) return Valid(started);
    if (kind < 40) return RandomBytes(1 + Below(512));
    if (kind < 48) return Truncated(Valid(started));
    if (kind < 60) return Mutated(Valid(started));
    if (kind < 67) return WrongShape();
    if (kind < 71) return Inserted(Valid(started), std::string(1 + Below(3), '\0'));
    if (kind < 75) return Inserted(Valid(started), InvalidUtf8());
    if (kind < 79) return Inserted(Valid(started), Comment());
    if (kind < 84) return NotJson(started);
    if (kind < 88) return DeeplyNested();
    if (kind < 90) return Huge(started);
    std::string several;
    for (size_t n = 2 + Below(3); n > 0; --n)
      several += OneIn(2) ? Valid(started) : Mutated(Valid(started));
    return several;
  }

  // Cuts a send into pieces now and then, so messages also arrive split.
  std::vector<std::string> Pieces(const std::string& bytes) {
    if (bytes.size() < 2 || !OneIn(8)) return {bytes};
    const size_t cut = 1 + Below(bytes.size() - 1);
    return {bytes.substr(0, cut), bytes.substr(cut)};
  }

 private:
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }
  char NonDigit() {
    char c;
    do {
      c = static_cast<char>(Below(256));
    } while (c >= '0' && c <= '9');
    return c;
  }

  std::string Word() {
    static const char kChars[] = "abcXYZ019-_.~%=+/";
    std::string w;
    for (size_t n = 1 + Below(16); n > 0; --n) w += kChars[Below(sizeof kChars - 1)];
    if (OneIn(6)) w += Pick({"\\u00e9", "\xC3\xA9", "\\\"", "\\\\", "\\n", "\\ud83d\\ude00"});
    return w;
  }
  std::string Cookie() {
    std::string c = "{";
    if (!OneIn(5)) c += "\"domain\":\"127.0.0.1\",";
    c += std::string("\"name\":\"") + Pick({"GSESSIONID", "cookieUserAccount", "other"}) + "\"";
    if (!OneIn(8)) c += ",\"value\":\"" + Word() + "\"";
    if (!OneIn(5)) c += ",\"path\":\"/\"";
    return c + "}";
  }
  std::string Valid(bool started) {
    static const int kBefore[] = {0, 0, 1, 11, 12, 13, 14, 42, -3};
    static const int kAfter[] = {0, 0, 1, 10, 11, 12, 13, 14, 42, -3};
    const int type =
        started ? kAfter[Below(std::size(kAfter))] : kBefore[Below(std::size(kBefore))];
    std::string m = "{\"type\":" + std::to_string(type);
    if (type == 1 || ((type == 13 || type == 14) && !OneIn(3)) || OneIn(10)) {
      m += ",\"values\":[";
      for (size_t n = Below(4); n > 0; --n) m += Cookie() + (n > 1 ? "," : "");
      m += "]";
    }
    if (OneIn(10)) m += ",\"extra\":{\"a\":[1,2.5e3,true,null]}";
    return m + "}";
  }

  std::string RandomBytes(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(Below(256));
    return bytes;
  }
  std::string Truncated(const std::string& m) { return m.substr(0, 1 + Below(m.size() - 1)); }
  std::string Inserted(std::string m, const std::string& what) {
    return m.insert(Below(m.size() + 1), what);
  }
  std::string Mutated(std::string m) {
    for (size_t n = 1 + Below(3); n > 0 && !m.empty(); --n) {
      const size_t at = Below(m.size());
      switch (Below(4)) {
        case 0:
          m.erase(at, 1);
          break;
        case 1:
          m.insert(at, 1, NonDigit());
          break;
        case 2:
          m[at] = NonDigit();
          break;
        default:
          m.insert(at, m.substr(at, 1 + Below(8)));
          break;
      }
    }
    return m;
  }
  std::string InvalidUtf8() {
    return Pick({"\xFF", "\x80", "\xC0\x80", "\xC3", "\xE2\x82", "\xED\xA0\x80",
                 "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80", "\xFE\xFF"});
  }
  std::string Comment() {
    return Pick({"/*c*/", "//c\n", "/*", "*/", "/* {\"type\":0} */", "#c\n", "//"});
  }

  std::string WrongShape() {
    return Pick({
        R"({"type":"0"})",
        R"({"type":"11"})",
        R"({"type":true})",
        R"({"type":null})",
        R"({"type":1.5})",
        R"({"type":1e1})",
        R"({"type":0.0})",
        R"({"type":[0]})",
        R"({"type":{"t":0}})",
        R"({"type":4294967296})",
        R"({"type":-2147483649})",
        R"({"type":123456789012345678901234567890})",
        R"({"type":1,"values":"GSESSIONID=x"})",
        R"({"type":1,"values":{"name":"GSESSIONID","value":"x"}})",
        R"({"type":1,"values":[1,2]})",
        R"({"type":1,"values":[{"name":1,"value":true}]})",
        R"({"type":13,"values":[{"name":"GSESSIONID","value":["x"]}]})",
        R"({"type":1,"values":[null]})",
        R"({"values":[{"name":"GSESSIONID","value":"x"}]})",
        R"({"type":11,"type":12})",
        R"({"type":20,"paths":["relative"]})",
        R"({"type":20,"paths":"/tmp"})",
        R"({"type":20,"paths":[3]})",
        R"({"type":20})",
        R"([{"type":"0"}])",
        R"("text")",
        R"(12)",
        R"({})",
        R"({"":0})",
    });
  }

  std::string NotJson(bool started) {
    switch (Below(6)) {
      case 0:
        return std::string("{\"type\":0") + Pick({"0", "1", "11", "12", "13", "14"}) + "}";
      case 1:
        return std::string("{\"type\":") +
               Pick({"+1", "1.", ".5", "-", "1e", "0x1", "NaN", "-Infinity"}) + "}";
      case 2: {
        std::string m = Valid(started);
        return m.insert(m.size() - 1, ",");
      }
      case 3:
        return "{\"type\":1,\"values\":[" + Cookie() + ",]}";
      case 4:
        return "\xEF\xBB\xBF" + Valid(started);
      default:
        return Pick({"{'type':0}", "{type:0}", "{\"type\":0 \"x\":1}", "{\"type\":0}}",
                     "{\"type\":0,\"x\":\"a\tb\"}", "{\"type\":0,\"x\":\"\\x\"}"});
    }
  }

  std::string DeeplyNested() {
    const size_t depth = peer::ClientMessage::kMaxDepth - 2 + Below(5000);
    switch (Below(4)) {
      case 0:
        return "{\"type\":11,\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
      case 1:
        return std::string(depth, '[');
      case 2: {
        std::string m;
        for (size_t i = 0; i < depth / 5; ++i) m += "{\"a\":";
        return m + "1" + std::string(depth / 5, '}');
      }
      default:
        return "{\"type\":12,\"x\":" + std::string(depth, '[');
    }
  }

  std::string Huge(bool started) {
    const size_t size = peer::MessageFramer::kMaxMessage + 1 + Below(24000);
    switch (Below(4)) {
      case 0:
        return "{\"type\":12,\"pad\":\"" + std::string(size, 'x') + "\"}";
      case 1:
        return "{" + RandomBytes(size);
      case 2: {
        std::string m = "{\"type\":1,\"values\":[" + Cookie();
        while (m.size() < size) m += "," + Cookie();
        return m + "]}";
      }
      default: {
        std::string m;
        while (m.size() < size) m += Valid(started);
        return "[" + m;
      }
    }
  }

  std::mt19937_64 rng_;
};

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class LinkFuzz : public kvtest::KvupProcessTest, public ::testing::WithParamInterface<int> {
 protected:
  void SendFuzz(LinkFuzzer& fuzz, uint64_t messages, bool started) {
    for (uint64_t i = 0; i < messages; ++i) {
      for (const std::string& piece : fuzz.Pieces(fuzz.Next(started))) {
        ASSERT_TRUE(client_.Send(piece)) << "message " << i << "\n" << Tail();
      }
      // Replies are taken as they come, so kvup never waits to send one.
      replies_ += client_.ReceiveAvailable();
    }
  }

  // Ends whatever the fuzz left unfinished (a run of blanks longer than any
  // message), sends a hello with a mark of its own and waits until kvup has
  // read it. Every hello kvup read must then be answered, this one included.
  void ExpectHelloAnswered(const std::string& mark) {
    ASSERT_TRUE(client_.Send(std::string(peer::MessageFramer::kMaxMessage + 1, ' ')));
    ASSERT_TRUE(client_.Send("{\"type\":0,\"mark\":\"" + mark + "\"}"));
    const std::string read = "\"mark\":\"" + mark + "\"";
    const std::string hello = "ClientInterfaceMgr|CIMG message type: 0\n";
    ASSERT_TRUE(WaitFor([&] {
      const std::string log = Log();
      const size_t at = log.find(read);
      return at != std::string::npos && log.find(hello, at) != std::string::npos;
    })) << "the hello was not read\n"
        << Tail();
    const size_t hellos = Occurrences(Log(), hello);
    EXPECT_TRUE(WaitFor([&] {
      replies_ += client_.ReceiveAvailable();
      return static_cast<size_t>(std::count(replies_.begin(), replies_.end(), '1')) >= hellos;
    })) << hellos
        << " hellos read, answers: " << replies_;
    EXPECT_EQ(static_cast<size_t>(std::count(replies_.begin(), replies_.end(), '1')), hellos);
  }

  std::string Tail() {
    const std::string log = Log();
    return log.substr(log.size() > 4000 ? log.size() - 4000 : 0) + "\n" + kvup_->Output();
  }

  kvtest::LoopbackClient client_;
  std::string replies_;
};

TEST_P(LinkFuzz, KvupAnswersAHelloAfterFuzzedMessagesAndEndsWithItsClient) {
  const uint64_t seed = EnvNumber("KVUP_LINK_FUZZ_SEED", kDefaultSeed) + GetParam();
  const uint64_t messages = EnvNumber("KVUP_LINK_FUZZ_MESSAGES", kDefaultMessages);
  SCOPED_TRACE("KVUP_LINK_FUZZ_SEED=" + std::to_string(seed));
  LinkFuzzer fuzz(seed);
  LaunchKvup();
  ASSERT_TRUE(client_.ConnectWithin(port_, kLong));

  // While start-up waits for the start message.
  ASSERT_NO_FATAL_FAILURE(SendFuzz(fuzz, messages / 2, false));
  ASSERT_NO_FATAL_FAILURE(ExpectHelloAnswered("before-start"));
  ASSERT_TRUE(client_.Send("{\"type\":10}"));
  ASSERT_TRUE(WaitFor([&] {  // a 7 that came earlier counts
    replies_ += client_.ReceiveAvailable();
    return replies_.find('7') != std::string::npos;
  })) << Tail();

  // After it.
  ASSERT_NO_FATAL_FAILURE(SendFuzz(fuzz, messages - messages / 2, true));
  ASSERT_NO_FATAL_FAILURE(ExpectHelloAnswered("after-start"));
  EXPECT_EQ(Log().find("worker failed"), std::string::npos) << Tail();

  client_.Close();
  EXPECT_EQ(kvup_->Wait(kLong), 0) << Tail();
  EXPECT_EQ(kvup_->Output().find("Sanitizer"), std::string::npos) << kvup_->Output();
}

INSTANTIATE_TEST_SUITE_P(Connections, LinkFuzz, ::testing::Range(0, kConnections));

}  // namespace
