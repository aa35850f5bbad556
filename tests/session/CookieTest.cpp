#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "session/COptions.h"

namespace {

using Record = COptions::CookieRecord;

void Hand(COptions& options, const std::vector<Record>& records) {
  options.ClearCookies();
  for (const Record& r : records) options.AddCookie(r);
  options.BuildCookieHeader();
  options.BuildSessionParam();
}

TEST(Cookies, SessionAndAccountFromTwoRecords) {
  COptions options;
  Hand(options,
       {{".example", "GSESSIONID", "abc", "/"}, {".example", "cookieUserAccount", "u1", "/"}});
  EXPECT_EQ(options.CookieHeader(), "GSESSIONID=abc;cookieUserAccount=u1;");
  EXPECT_EQ(options.SessionParam(), "gSessionId=abc");
  EXPECT_EQ(options.UserAccount(), "u1");
}

TEST(Cookies, NoSessionCookieLeavesSessionParamEmpty) {
  COptions options;
  Hand(options, {{"d", "GSESSIONID", "old", "/"}});
  ASSERT_EQ(options.SessionParam(), "gSessionId=old");
  Hand(options, {{"d", "other", "v", "/"}});
  EXPECT_EQ(options.SessionParam(), "");
  EXPECT_EQ(options.CookieHeader(), "other=v;");
}

TEST(Cookies, AccountNameMustMatchExactly) {
  COptions options;
  Hand(options, {{"d", "cookieUserAccountX", "a", "/"}, {"d", "cookieuseraccount", "b", "/"}});
  EXPECT_EQ(options.UserAccount(), "");
  Hand(options, {{"d", "cookieUserAccount", "c", "/"}});
  EXPECT_EQ(options.UserAccount(), "c");
  // A later message without the account cookie keeps the account.
  Hand(options, {{"d", "x", "y", "/"}});
  EXPECT_EQ(options.UserAccount(), "c");
}

TEST(Cookies, ClearKeepsDerivedTextsUntilRebuilt) {
  COptions options;
  Hand(options, {{"d", "GSESSIONID", "abc", "/"}});
  options.ClearCookies();
  EXPECT_TRUE(options.Cookies().empty());
  EXPECT_EQ(options.CookieHeader(), "GSESSIONID=abc;");
  EXPECT_EQ(options.SessionParam(), "gSessionId=abc");
  options.BuildCookieHeader();
  EXPECT_EQ(options.CookieHeader(), "");
}

TEST(Cookies, SessionStringIsSearchedInEveryFieldInOrder) {
  COptions options;
  // The domain qualifies first: it contains the text and starts with S.
  Hand(options, {{"SxGSESSIONID.host", "GSESSIONID", "v1", "/"}});
  EXPECT_EQ(options.SessionParam(), "gSessionIdID.host=v1");
  // A string starting with another letter is passed over.
  Hand(options, {{"aGSESSIONID", "n", "v2", "/"}, {"d", "GSESSIONIDX", "v3", "/"}});
  EXPECT_EQ(options.SessionParam(), "gSessionIdX=v3");
  // The path field counts too.
  Hand(options, {{"d", "n", "v4", "GSESSIONID"}});
  EXPECT_EQ(options.SessionParam(), "gSessionId=v4");
}

TEST(Cookies, ControlCharactersInANameOrValueRefuseThatCookieOnly) {
  COptions options;
  Hand(options, {{"d", "GSESSIONID", "s\r\nX-Injected: 1", "/"},
                 {"d", "evil\n", "v", "/"},
                 {"d", "cookieUserAccount", "u\x7f", "/"},
                 {"d", "ok", "tab\there", "/"},
                 {"d", "kept", "v", "/"}});
  EXPECT_EQ(options.CookieHeader(), "kept=v;");
  EXPECT_EQ(options.SessionParam(), "");
  EXPECT_EQ(options.UserAccount(), "");
  EXPECT_EQ(options.Cookies().size(), 1u);
}

TEST(Cookies, ShortRecordsAreFilledUp) {
  COptions options;
  Hand(options, {{"d", "GSESSIONID"}, {}});
  EXPECT_EQ(options.CookieHeader(), "GSESSIONID=;=;");
  EXPECT_EQ(options.SessionParam(), "gSessionId=");
  ASSERT_EQ(options.Cookies().size(), 2u);
  EXPECT_EQ(options.Cookies()[1].size(), 4u);
}

// The link rewrites the cookies while request threads copy the texts; every
// copy is one whole text of one message.
TEST(Cookies, ReadersSeeWholeTexts) {
  COptions options;
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done.load()) {
      const std::string header = options.CookieHeader();
      if (!header.empty() && header != "GSESSIONID=aaaa;" && header != "GSESSIONID=bbbbbbbb;")
        ++bad;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    Hand(options, {{"d", "GSESSIONID", i % 2 ? "aaaa" : "bbbbbbbb", "/"}});
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
