#include <gtest/gtest.h>

#include "peer/CookieValueMask.h"

namespace {

using peer::MaskCookieValues;

TEST(CookieValueMask, EveryCookieValueIsMaskedAndTheRestStays) {
  const std::string text =
      R"({"type":13, "values":[{"domain":"d","name":"GSESSIONID","value":"s3cr3t","path":"/"},)"
      R"( {"value" : "acc\"ount}", "name":"cookieUserAccount"}]})";
  EXPECT_EQ(MaskCookieValues(text),
            R"({"type":13, "values":[{"domain":"d","name":"GSESSIONID","value":"***","path":"/"},)"
            R"( {"value" : "***", "name":"cookieUserAccount"}]})");
}

TEST(CookieValueMask, ValuesOfAnyShapeAndEscapedKeysAreMasked) {
  EXPECT_EQ(
      MaskCookieValues(R"({"values":[{"value":{"a":["x"]}},{"value":123},{"val\u0075e":"k"}]})"),
      R"({"values":[{"value":"***"},{"value":"***"},{"val\u0075e":"***"}]})");
}

TEST(CookieValueMask, BrokenAndPartialTextIsMaskedToo) {
  EXPECT_EQ(MaskCookieValues(R"({"type":1,"values":[{"name":"G","value":"half)"),
            R"({"type":1,"values":[{"name":"G","value":"***")");
  EXPECT_EQ(MaskCookieValues(R"(garbage {"values":[{"value":"k",)"),
            R"(garbage {"values":[{"value":"***",)");
}

TEST(CookieValueMask, ValueMembersOutsideTheCookieListStay) {
  const std::string text =
      R"({"type":20,"value":"v","paths":["/value"],"x":{"values":[{"value":"n"}]}})";
  EXPECT_EQ(MaskCookieValues(text), text);
  EXPECT_EQ(MaskCookieValues("no json at all"), "no json at all");
}

}  // namespace
