#include <gtest/gtest.h>

#include "peer/ClientMessage.h"

namespace {

using peer::ClientMessage;

TEST(ClientMessage, TypeAndCookiesInOrderWithMissingMembersEmpty) {
  const ClientMessage m = ClientMessage::Parse(
      R"({"type":13,"values":[{"domain":"d","name":"GSESSIONID","value":"abc","path":"/"},)"
      R"({"name":"cookieUserAccount","value":"u1","path":null}]})");
  EXPECT_EQ(m.type, 13);
  ASSERT_TRUE(m.hasCookies);
  ASSERT_EQ(m.cookies.size(), 2u);
  EXPECT_EQ(m.cookies[0], (peer::CookieRecord{"d", "GSESSIONID", "abc", "/"}));
  EXPECT_EQ(m.cookies[1], (peer::CookieRecord{"", "cookieUserAccount", "u1", ""}));
}

TEST(ClientMessage, MessageWithoutCookiesSaysSo) {
  const ClientMessage m = ClientMessage::Parse(R"({"type":0})");
  EXPECT_EQ(m.type, 0);
  EXPECT_FALSE(m.hasCookies);
  const ClientMessage empty = ClientMessage::Parse(R"({"type":1,"values":[]})");
  EXPECT_TRUE(empty.hasCookies);
  EXPECT_TRUE(empty.cookies.empty());
}

TEST(ClientMessage, AnythingMalformedCountsAsNoTypeAndKeepsNoCookies) {
  const char* bad[] = {
      "",
      "not json",
      "[1,2]",
      "{\"type\":0",                                                // unfinished
      "{\"type\":0} trailing",                                      // more than one value
      R"({"values":[{"name":"GSESSIONID","value":"x"}]})",          // no type
      R"({"type":null,"values":[]})",                               // null type
      R"({"type":"10"})",                                           // text
      R"({"type":10.0})",                                           // not an integer
      R"({"type":10.5})",                                           //
      R"({"type":true})",                                           //
      R"({"type":4294967296})",                                     // out of range
      R"({"type":13,"values":[{"name":"GSESSIONID","value":7}]})",  // value not a string
      R"({"type":13,"values":[{"name":["x"]}]})",                   //
      R"({"type":13,"values":["GSESSIONID=x"]})",                   // element not an object
      R"({"type":13,"values":{"name":"x"}})",                       // values not an array
      R"({"type":13,"values":"x"})",                                //
      R"({"type":0,"type":10})",                                    // duplicate key
  };
  for (const char* text : bad) {
    const ClientMessage m = ClientMessage::Parse(text);
    EXPECT_EQ(m.type, ClientMessage::kNoType) << text;
    EXPECT_FALSE(m.hasCookies) << text;
    EXPECT_TRUE(m.cookies.empty()) << text;
  }
}

TEST(ClientMessage, DropMessageCarriesAbsolutePathsOnly) {
  const ClientMessage m = ClientMessage::Parse(R"({"type":20,"paths":["/a b/c","/x/\u00e9"]})");
  EXPECT_EQ(m.type, 20);
  EXPECT_EQ(m.paths, (std::vector<std::string>{"/a b/c", "/x/\xc3\xa9"}));
  for (const char* text : {R"({"type":20,"paths":["relative"]})", R"({"type":20,"paths":[""]})",
                           R"({"type":20,"paths":["/a",3]})", R"({"type":20,"paths":"/a"})",
                           R"({"type":20})", R"({"type":20,"paths":["/a\u0000b"]})"}) {
    EXPECT_EQ(ClientMessage::Parse(text).type, ClientMessage::kNoType) << text;
  }
  // Other types do not look at paths.
  EXPECT_TRUE(ClientMessage::Parse(R"({"type":11,"paths":["/a"]})").paths.empty());
}

}  // namespace
