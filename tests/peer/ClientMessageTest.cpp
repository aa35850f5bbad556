#include <gtest/gtest.h>

#include "peer/ClientMessage.h"

namespace {

using peer::ClientMessage;
using namespace std::string_literals;

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

// Forms that lenient JSON readers (JsonCpp's strict mode included) take but
// that are not JSON: none of them may count as a message.
TEST(ClientMessage, TextThatIsNotStrictJsonIsNoMessage) {
  const std::string notJson[] = {
      R"({"type":00})",
      R"({"type":01})",
      R"({"type":-00})",
      R"({"type":0,})",
      R"({"type":1,"values":[{"name":"a","value":"b"},]})",
      R"({"type":1,"values":[{"name":"a","value":"b",}]})",
      R"({/*c*/"type":0})",
      "{\"type\":0//c\n}",
      R"(/*c*/{"type":0})",
      R"({"type":0}/*c*/)",
      R"({"type":+1})",
      R"({"type":-})",
      R"({"type":1.})",
      R"({"type":.5})",
      R"({"type":1e})",
      R"({"type":0,"x":NaN})",
      R"({"type":0,"x":tru})",
      R"({'type':0})",
      R"({type:0})",
      R"({"type":0}{"type":0})",
      R"({"type":0,"x":"\x"})",
      "\xEF\xBB\xBF{\"type\":0}",                       // byte order mark
      "{\"type\":1,\"values\":[{\"name\":\"a\tb\"}]}",  // raw control character in a string
      "{\"type\":0,\0\"x\":1}"s,                        // NUL between members
      "{\"type\":0,\"x\":\"a\0b\"}"s,
  };
  for (const std::string& text : notJson) {
    EXPECT_EQ(ClientMessage::Parse(text).type, ClientMessage::kNoType) << text;
  }
}

TEST(ClientMessage, EveryFormTheGrammarAllowsIsStillRead) {
  const char* json[] = {
      " \t\r\n{ \"type\" : 11 , \"values\" : [ ] }\r\n ",
      R"({"typ\u0065":11})",
      R"({"type":11,"x":[0,-0,-1.5e+3,2E-2,10.25,1e5,true,false,null,{},[],"\"\\\/\b\f\n\r\t\u00e9"]})",
      "{\"type\":11,\"x\":\"\xC3\xA9\xE2\x82\xAC\"}",
  };
  for (const char* text : json) EXPECT_EQ(ClientMessage::Parse(text).type, 11) << text;
  EXPECT_EQ(ClientMessage::Parse(R"({"type":-0})").type, 0);
}

// Nesting past what the JSON library reads used to throw out of the parser.
TEST(ClientMessage, NestingDeeperThanTheLimitIsNoMessageAndThrowsNothing) {
  const auto nested = [](size_t depth) {  // an object that is depth levels deep
    return "{\"type\":11,\"x\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  };
  EXPECT_EQ(ClientMessage::Parse(nested(ClientMessage::kMaxDepth)).type, 11);
  const std::string tooDeep[] = {
      nested(ClientMessage::kMaxDepth + 1),
      nested(1002),
      std::string(1001, '['),
      std::string(1001, '[') + std::string(1001, ']'),
      std::string(100000, '['),
      [] {
        std::string s;
        for (int i = 0; i < 2000; ++i) s += "{\"a\":";
        return s + "1" + std::string(2000, '}');
      }(),
  };
  for (const std::string& text : tooDeep) {
    ClientMessage m;
    EXPECT_NO_THROW(m = ClientMessage::Parse(text)) << text.size();
    EXPECT_EQ(m.type, ClientMessage::kNoType) << text.size();
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
