#include <gtest/gtest.h>

#include "platform/LastError.h"
#include "platform/TextEncoding.h"

using namespace platform;

namespace {

const std::string kZhong = "\xE4\xB8\xAD";            // U+4E2D
const std::string kSmile = "\xF0\x9F\x98\x80";        // U+1F600
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";  // two characters in GBK

std::u16string Decode(unsigned cp, const std::string& in, unsigned long flags = 0) {
  std::u16string out = u"untouched";
  EXPECT_TRUE(DecodeToUtf16(cp, flags, in, &out));
  return out;
}

std::string Encode(unsigned cp, const std::u16string& in, unsigned long flags = 0) {
  std::string out = "untouched";
  EXPECT_TRUE(EncodeFromUtf16(cp, flags, in, &out));
  return out;
}

}  // namespace

TEST(TextEncodingTest, ValidUtf8IsAccepted) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xC3\xA9" + kZhong + kSmile + "\xF4\x8F\xBF\xBF"));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
}

TEST(TextEncodingTest, IllFormedUtf8IsRejected) {
  for (const char* bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFE", "\xE4\xB8", "a\xF0\x9F"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(TextEncodingTest, SafeCutNeverSplitsASequence) {
  const std::string text = "a" + kZhong + "b" + kSmile;
  EXPECT_EQ(Utf8SafeCut(text, 0), 0u);
  EXPECT_EQ(Utf8SafeCut(text, 1), 1u);
  EXPECT_EQ(Utf8SafeCut(text, 2), 1u);
  EXPECT_EQ(Utf8SafeCut(text, 3), 1u);
  EXPECT_EQ(Utf8SafeCut(text, 4), 4u);
  EXPECT_EQ(Utf8SafeCut(text, 5), 5u);
  EXPECT_EQ(Utf8SafeCut(text, 8), 5u);
  EXPECT_EQ(Utf8SafeCut(text, 9), 9u);
  EXPECT_EQ(Utf8SafeCut(text, 100), 9u);
  // Stray bytes are single characters and may be cut between.
  EXPECT_EQ(Utf8SafeCut("\x80\x80\x80", 2), 2u);
}

TEST(TextEncodingTest, Utf8RoundTripIsIdentityInBothUtf8CodePages) {
  const std::string text = "x" + kZhong + kSmile + std::string("\0z", 2);
  const std::u16string wide = Decode(kCodePageSystem, text);
  EXPECT_EQ(wide, std::u16string(u"x\u4E2D\U0001F600") + std::u16string(u"\0z", 2));
  EXPECT_EQ(Decode(kCodePageUtf8, text), wide);
  EXPECT_EQ(Encode(kCodePageSystem, wide), text);
  EXPECT_EQ(Encode(kCodePageUtf8, wide), text);
}

TEST(TextEncodingTest, InvalidUtf8BecomesOneReplacementPerBadRun) {
  EXPECT_EQ(Decode(kCodePageUtf8,
                   "a\xE4\xB8"
                   "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Decode(kCodePageUtf8, "\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Decode(kCodePageUtf8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Decode(kCodePageUtf8, "\xF0\x9F\x98"), u"\uFFFD");
}

TEST(TextEncodingTest, StrictDecodingFailsOnInvalidUtf8AndKeepsOutput) {
  std::u16string out = u"keep";
  SetLastError(0);
  EXPECT_FALSE(DecodeToUtf16(kCodePageUtf8, kMbErrInvalidChars, "ok\xFF", &out));
  EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
  EXPECT_EQ(out, u"keep");
}

TEST(TextEncodingTest, LoneSurrogatesEncodeAsReplacementUnlessStrict) {
  const std::u16string lone{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  EXPECT_EQ(Encode(kCodePageUtf8, lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  std::string out = "keep";
  EXPECT_FALSE(EncodeFromUtf16(kCodePageUtf8, kWcErrInvalidChars, lone, &out));
  EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
  EXPECT_EQ(out, "keep");
}

TEST(TextEncodingTest, GbkRoundTrip) {
  const std::u16string wide = Decode(kCodePageGbk, "ab" + kZhongWenGbk + "\x80");
  EXPECT_EQ(wide, u"ab\u4E2D\u6587\u20AC");
  EXPECT_EQ(Encode(kCodePageGbk, wide), "ab" + kZhongWenGbk + "\x80");
}

TEST(TextEncodingTest, GbkReplacesWhatItCannotRepresent) {
  // A character outside GBK (one surrogate pair) becomes a single '?'.
  EXPECT_EQ(Encode(kCodePageGbk, u"a\U0001F600\u0E01b"), "a??b");
  EXPECT_EQ(Decode(kCodePageGbk,
                   "a\xFF"
                   "b"),
            u"a\uFFFDb");
  std::u16string out;
  EXPECT_FALSE(DecodeToUtf16(kCodePageGbk, kMbErrInvalidChars, "a\xFF", &out));
  EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
}

TEST(TextEncodingTest, UnknownCodePageFails) {
  std::u16string out;
  SetLastError(0);
  EXPECT_FALSE(DecodeToUtf16(4242, 0, "a", &out));
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
}

TEST(TextEncodingTest, WindowsCallsMeasureThenConvert) {
  const std::string text = "a" + kZhong + kSmile;
  const int needed = MultiByteToWideChar(kCodePageUtf8, 0, text.c_str(), -1, nullptr, 0);
  ASSERT_EQ(needed, 5);  // a, one unit, a surrogate pair, the terminator
  char16_t wide[8] = {};
  ASSERT_EQ(MultiByteToWideChar(kCodePageUtf8, 0, text.c_str(), -1, wide, 8), 5);
  EXPECT_EQ(std::u16string(wide, 5), std::u16string(u"a\u4E2D\U0001F600", 5));

  const int bytes = WideCharToMultiByte(kCodePageUtf8, 0, wide, 4, nullptr, 0);
  ASSERT_EQ(bytes, 8);  // no terminator: an explicit length leaves it out
  char narrow[16] = {};
  ASSERT_EQ(WideCharToMultiByte(kCodePageUtf8, 0, wide, 4, narrow, 16), 8);
  EXPECT_EQ(std::string(narrow, 8), text);
  EXPECT_EQ(WideCharToMultiByte(kCodePageUtf8, 0, wide, -1, narrow, 16), 9);
  EXPECT_EQ(narrow[8], '\0');
}

TEST(TextEncodingTest, WindowsCallsRejectBadArgumentsAndSmallBuffers) {
  char16_t wide[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(kCodePageUtf8, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), kErrorInsufficientBuffer);
  EXPECT_EQ(MultiByteToWideChar(kCodePageUtf8, 0, "", 0, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(kCodePageUtf8, 0, nullptr, -1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(kCodePageUtf8, 0, u"ab", 2, nullptr, 4), 0);
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  // The empty text with its terminator is one unit, not a failure.
  EXPECT_EQ(MultiByteToWideChar(kCodePageUtf8, 0, "", -1, nullptr, 0), 1);
}
