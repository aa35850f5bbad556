// What the link logs of a client message: the parsed message written out again
// with every cookie value masked, or only the length of text that is not JSON.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "peer/ClientMessage.h"

namespace {

std::string Logged(const std::string& text) {
  std::string log;
  peer::ClientMessage::Parse(text, &log);
  return log;
}

TEST(CookieValueMask, EveryCookieValueIsMaskedAndTheRestStays) {
  EXPECT_EQ(Logged(R"({"type":13, "values":[{"domain":"d","name":"GSESSIONID","value":"s3cr3t",)"
                   R"("path":"/"}, {"value" : "acc\"ount}", "name":"cookieUserAccount"}]})"),
            R"({"type":13,"values":[{"domain":"d","name":"GSESSIONID","path":"/","value":"***"},)"
            R"({"name":"cookieUserAccount","value":"***"}]})");
}

// Messages that are no client message are logged too, so the mask cannot
// depend on the message having the right shape.
TEST(CookieValueMask, ValueMembersOfAnyShapeAnywhereAreMasked) {
  EXPECT_EQ(Logged(R"({"type":1,"values":[{"value":{"a":["x"]}},{"value":123},{"val\u0075e":"k"}],)"
                   R"("value":"v","x":[{"y":{"value":null}}]})"),
            R"({"type":1,"value":"***","values":[{"value":"***"},{"value":"***"},)"
            R"({"value":"***"}],"x":[{"y":{"value":"***"}}]})");
  EXPECT_EQ(Logged(R"([{"name":"G","value":"k"}])"), R"([{"name":"G","value":"***"}])");
  EXPECT_EQ(Logged(R"({"values":{"name":"G","value":"k"}})"),
            R"({"values":{"name":"G","value":"***"}})");
}

TEST(CookieValueMask, TextThatIsNotJsonIsLoggedByItsLengthOnly) {
  for (const std::string& text : std::vector<std::string>{
           R"({"type":1,"values":[{"value":"half)", R"({"type":1,/*c*/"values":[{"value":"k"}]})",
           R"([/*c*/{"name":"G","value":"k"}])", R"({"type":1,"values":[{"value":"k"},]})",
           R"({"values":[{"value":"k","value":"l"}]})", R"("k")",
           "{\"x\":" + std::string(100, '[') + std::string(100, ']') + "}"}) {
    EXPECT_EQ(Logged(text), "(" + std::to_string(text.size()) + " bytes, not read as JSON)")
        << text;
  }
}

TEST(CookieValueMask, LoggedTextIsOnePrintableAsciiLine) {
  const std::string log = Logged(std::string("{\"type\":11,\"x\":\"a\\nb\\u0000c\xC3\xA9\xFF\"}"));
  EXPECT_EQ(log, R"({"type":11,"x":"a\nb\u0000c\u00e9\ufffd"})");
  for (char c : log) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << log;
}

}  // namespace
