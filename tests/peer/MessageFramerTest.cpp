#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "peer/MessageFramer.h"

namespace {

using peer::MessageFramer;

struct Drained {
  std::vector<std::string> messages;
  std::vector<size_t> dropped;
};

Drained Feed(MessageFramer& f, const std::string& bytes) {
  f.Feed(bytes.data(), bytes.size());
  Drained d;
  std::string m;
  size_t n = 0;
  for (;;) {
    const MessageFramer::Result r = f.Next(&m, &n);
    if (r == MessageFramer::Result::kNone) return d;
    if (r == MessageFramer::Result::kMessage) d.messages.push_back(m);
    if (r == MessageFramer::Result::kDropped) d.dropped.push_back(n);
  }
}

// An object of exactly `size` bytes: {"type":1,"pad":"xxx..."}
std::string ObjectOfSize(size_t size) {
  const std::string head = "{\"type\":1,\"pad\":\"";
  const std::string tail = "\"}";
  return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

TEST(MessageFramer, SeveralObjectsInOneReceiveComeOutInOrder) {
  MessageFramer f;
  const Drained d = Feed(f, "{\"type\":0}{\"type\":10} \n{\"type\":13,\"values\":[{\"a\":{}}]}");
  ASSERT_EQ(d.messages.size(), 3u);
  EXPECT_EQ(d.messages[0], "{\"type\":0}");
  EXPECT_EQ(d.messages[1], "{\"type\":10}");
  EXPECT_EQ(d.messages[2], "{\"type\":13,\"values\":[{\"a\":{}}]}");
  EXPECT_EQ(f.Pending(), 0u);
}

TEST(MessageFramer, PartialObjectWaitsForItsRest) {
  MessageFramer f;
  EXPECT_TRUE(Feed(f, "{\"type\":1").messages.empty());
  EXPECT_EQ(f.Pending(), 9u);
  EXPECT_TRUE(Feed(f, "3,\"values\":[{\"name\":\"a").messages.empty());
  const Drained d = Feed(f, "\"}]}{\"type\"");
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_EQ(d.messages[0], "{\"type\":13,\"values\":[{\"name\":\"a\"}]}");
  EXPECT_EQ(Feed(f, ":0}").messages, std::vector<std::string>{"{\"type\":0}"});
}

TEST(MessageFramer, BracesAndEscapedQuotesInsideStringsDoNotEndAnObject) {
  MessageFramer f;
  const std::string text = R"({"type":1,"values":[{"value":"}{\"}\\"}]})";
  const Drained d = Feed(f, text + "{\"type\":0}");
  ASSERT_EQ(d.messages.size(), 2u);
  EXPECT_EQ(d.messages[0], text);
}

TEST(MessageFramer, ByteByByteFeedingGivesTheSameMessages) {
  MessageFramer f;
  const std::string text = R"({"type":20,"paths":["/a/{b}"]} {"type":9})";
  std::vector<std::string> got;
  for (char c : text) {
    for (const std::string& m : Feed(f, std::string(1, c)).messages) got.push_back(m);
  }
  EXPECT_EQ(got, (std::vector<std::string>{R"({"type":20,"paths":["/a/{b}"]})", "{\"type\":9}"}));
}

TEST(MessageFramer, LimitIsInclusiveAndLongerObjectsAreDroppedOnce) {
  MessageFramer f;
  const std::string fits = ObjectOfSize(MessageFramer::kMaxMessage);
  EXPECT_EQ(Feed(f, fits).messages, std::vector<std::string>{fits});

  const std::string tooLong = ObjectOfSize(MessageFramer::kMaxMessage + 1);
  // Arrives in pieces; the rest of it after the cut must not resurface.
  Drained first = Feed(f, tooLong.substr(0, 10000));
  Drained second = Feed(f, tooLong.substr(10000) + "{\"type\":0}");
  EXPECT_TRUE(first.messages.empty());
  EXPECT_TRUE(first.dropped.empty());
  ASSERT_EQ(second.dropped.size(), 1u);
  EXPECT_EQ(second.dropped[0], MessageFramer::kMaxMessage + 1);
  EXPECT_EQ(second.messages, std::vector<std::string>{"{\"type\":0}"});
}

// An object that never closes must not swallow everything after it: once it
// is past the limit it is dropped and what follows is framed afresh.
TEST(MessageFramer, UnbalancedOverLongTextIsDroppedAndTheNextObjectComesOut) {
  const std::string hello = "{\"type\":0}";
  const std::string garbage = "{" + std::string(20000, 'x');
  const std::string rest(garbage.size() - MessageFramer::kMaxMessage - 1, 'x');
  {  // the next object in a later receive
    MessageFramer f;
    const Drained first = Feed(f, garbage);
    EXPECT_EQ(first.dropped, std::vector<size_t>{MessageFramer::kMaxMessage + 1});
    EXPECT_EQ(first.messages, std::vector<std::string>{rest});  // junk, ignored by the link
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Feed(f, hello).messages, std::vector<std::string>{hello});
  }
  {  // right behind the garbage in the same receive
    MessageFramer f;
    const Drained d = Feed(f, garbage + hello + hello);
    EXPECT_EQ(d.dropped.size(), 1u);
    EXPECT_EQ(d.messages, (std::vector<std::string>{rest, hello, hello}));
  }
}

TEST(MessageFramer, BlanksPastTheLimitEndWhateverWasLeftUnfinished) {
  const std::string hello = "{\"type\":0}";
  for (const std::string& unfinished : std::vector<std::string>{
           "{\"a\":\"{{\\\"", "{{{{", "{\"type\":1", "{\"a\":[" + std::string(16000, '{')}) {
    MessageFramer f;
    EXPECT_TRUE(Feed(f, unfinished).messages.empty()) << unfinished;
    const Drained d = Feed(f, std::string(MessageFramer::kMaxMessage + 1, ' ') + hello);
    EXPECT_EQ(d.dropped.size(), 1u) << unfinished;
    EXPECT_EQ(d.messages, std::vector<std::string>{hello}) << unfinished;
    EXPECT_EQ(f.Pending(), 0u);
  }
}

TEST(MessageFramer, JunkBetweenObjectsComesOutOnItsOwn) {
  MessageFramer f;
  const Drained d = Feed(f, "hello{\"type\":0}]");
  EXPECT_EQ(d.messages, (std::vector<std::string>{"hello", "{\"type\":0}", "]"}));
}

}  // namespace
