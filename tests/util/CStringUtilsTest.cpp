#include <gtest/gtest.h>

#include <vector>

#include "platform/LastError.h"
#include "platform/TextEncoding.h"
#include "util/CStringUtils.h"

namespace {

std::vector<std::string> Pieces(const CStringList& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

std::vector<std::string> SplitChar(const std::string& text, char sep, int escapes, int keep) {
  CStringList out;
  CStringUtils::Split(text, sep, out, escapes, keep);
  return Pieces(out);
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(CStringUtilsTest, LowerCasingTouchesOnlyAsciiCapitals) {
  EXPECT_EQ(CStringUtils::tolower('A'), 'a');
  EXPECT_EQ(CStringUtils::tolower('Z'), 'z');
  EXPECT_EQ(CStringUtils::strtolower('M'), 'm');
  EXPECT_EQ(CStringUtils::wcstolower(L'Q'), L'q');
  for (int c : {int('@'), int('['), int('a'), int('z'), int('0'), 0xC4, 0x100, -1, -65})
    EXPECT_EQ(CStringUtils::tolower(c), c) << c;
}

TEST(CStringUtilsTest, WildcardMatches) {
  struct Case {
    const char* wild;
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"*.txt", "a.txt", 1}, {"a?c", "abc", 1},  {"a?c", "ac", 0},         {"*", "", 1},
      {"", "", 1},           {"abc*", "abc", 1}, {"*b*", "aXbY", 1},       {"", "a", 0},
      {"abc", "abcd", 0},    {"abcd", "abc", 0}, {"*.txt", "a.txt.gz", 0}, {"a*b*c", "aXbYbZc", 1},
      {"*ab", "aab", 1},     {"*a?", "xxa", 0},  {"**x", "x", 1},          {"?", "", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CStringUtils::strwildcmp(c.wild, c.text), c.expected) << c.wild << " " << c.text;
    EXPECT_EQ(CStringUtils::wildcmp(c.wild, c.text), c.expected) << c.wild << " " << c.text;
  }
}

TEST(CStringUtilsTest, CaseFoldingOnlyInTheInsensitiveForms) {
  EXPECT_EQ(CStringUtils::strwildicmp("*.TXT", "a.txt"), 1);
  EXPECT_EQ(CStringUtils::wildicmp("A?C", "abc"), 1);
  EXPECT_EQ(CStringUtils::strwildcmp("*.TXT", "a.txt"), 0);
  // Only ASCII letters fold: '[' (0x5B) and '{' (0x7B) stay different.
  EXPECT_EQ(CStringUtils::strwildicmp("[", "{"), 0);
}

TEST(CStringUtilsTest, WideWildcards) {
  EXPECT_EQ(CStringUtils::wcswildcmp(L"*.txt", L"\u4E2D.txt"), 1);
  EXPECT_EQ(CStringUtils::wcswildcmp(L"?.txt", L"\u4E2D.txt"), 1);
  EXPECT_EQ(CStringUtils::wcswildcmp(L"*.TXT", L"a.txt"), 0);
  EXPECT_EQ(CStringUtils::wcswildicmp(L"*.TXT", L"a.txt"), 1);
  EXPECT_EQ(CStringUtils::wcswildicmp(L"a?c", L"ac"), 0);
}

TEST(CStringUtilsTest, NarrowQuestionMarkCountsBytes) {
  const std::string zhong = "\xE4\xB8\xAD.txt";
  EXPECT_EQ(CStringUtils::strwildcmp("?.txt", zhong.c_str()), 0);
  EXPECT_EQ(CStringUtils::strwildcmp("???.txt", zhong.c_str()), 1);
}

TEST(CStringUtilsTest, SplitByCharacter) {
  EXPECT_EQ(SplitChar("a,,b,", ',', 0, 0), (Strings{"a", "b"}));
  EXPECT_EQ(SplitChar("a,,b,", ',', 0, 1), (Strings{"a", "", "b"}));
  EXPECT_EQ(SplitChar(",a", ',', 0, 1), (Strings{"", "a"}));
  EXPECT_EQ(SplitChar("abc", ',', 0, 0), (Strings{"abc"}));
  EXPECT_EQ(SplitChar("", ',', 0, 1), Strings{});
}

TEST(CStringUtilsTest, SplitByCharacterWithDoubledEscapes) {
  EXPECT_EQ(SplitChar("a,,b,c", ',', 1, 0), (Strings{"a,b", "c"}));
  EXPECT_EQ(SplitChar("a,,,b", ',', 1, 0), (Strings{"a,", "b"}));
  EXPECT_EQ(SplitChar("x,,y,,", ',', 1, 0), (Strings{"x,y,"}));
  EXPECT_EQ(SplitChar(",,", ',', 1, 1), (Strings{","}));
}

TEST(CStringUtilsTest, SplitAppendsToTheList) {
  CStringList out{"old"};
  CStringUtils::Split("p;q", ';', out, 0, 0);
  EXPECT_EQ(Pieces(out), (Strings{"old", "p", "q"}));
}

TEST(CStringUtilsTest, SplitByText) {
  CStringList out;
  EXPECT_EQ(CStringUtils::Split("::x::y", "::", out), 1);
  EXPECT_EQ(Pieces(out), (Strings{"", "x", "y"}));
  out.clear();
  EXPECT_EQ(CStringUtils::Split("a::::b::", "::", out), 1);
  EXPECT_EQ(Pieces(out), (Strings{"a", "", "b"}));
  out = {"keep"};
  EXPECT_EQ(CStringUtils::Split("", "::", out), 0);
  EXPECT_EQ(CStringUtils::Split("a::b", "", out), 0);
  EXPECT_EQ(CStringUtils::Split("a::b", nullptr, out), 0);
  EXPECT_EQ(Pieces(out), (Strings{"keep"}));
}

TEST(CStringUtilsTest, IndexOf) {
  EXPECT_EQ(CStringUtils::IndexOf("hello", 'l'), 2);
  EXPECT_EQ(CStringUtils::IndexOf("hello", 'h'), 0);
  EXPECT_EQ(CStringUtils::IndexOf("hello", 'x'), -1);
  EXPECT_EQ(CStringUtils::IndexOf("hello", '\0'), -1);
  EXPECT_EQ(CStringUtils::IndexOf(nullptr, 'a'), -1);
}

TEST(CStringUtilsTest, StartWith) {
  EXPECT_EQ(CStringUtils::StartWith("abcdef", "abc"), 1);
  EXPECT_EQ(CStringUtils::StartWith("abc", "abc"), 1);
  EXPECT_EQ(CStringUtils::StartWith("ab", "abc"), 0);
  EXPECT_EQ(CStringUtils::StartWith("abd", "abc"), 0);
  EXPECT_EQ(CStringUtils::StartWith("Abc", "abc"), 0);
  EXPECT_EQ(CStringUtils::StartWith("abc", ""), 1);
  EXPECT_EQ(CStringUtils::StartWith("\xE4\xB8\xAD\xE6\x96\x87x", "\xE4\xB8\xAD"), 1);
}

TEST(CStringUtilsTest, FindBetween) {
  CString out = "untouched";
  EXPECT_EQ(CStringUtils::FindBetween(out, "a[]b", "[", "]", 0), 0);
  EXPECT_EQ(out, "untouched");
  EXPECT_EQ(CStringUtils::FindBetween(out, "a[xy", "[", "]", 0), 0);
  EXPECT_EQ(CStringUtils::FindBetween(out, "axy]b", "[", "]", 0), 0);
  EXPECT_EQ(out, "untouched");
  EXPECT_EQ(CStringUtils::FindBetween(out, "a[xy]b", "[", "]", 0), 1);
  EXPECT_EQ(out, "xy");
  EXPECT_EQ(CStringUtils::FindBetween(out, "<a><bc>", "<", ">", 1), 1);
  EXPECT_EQ(out, "bc");
  EXPECT_EQ(CStringUtils::FindBetween(out, "k=\"v1\" j=\"v2\"", "j=\"", "\"", 0), 1);
  EXPECT_EQ(out, "v2");
  EXPECT_EQ(CStringUtils::FindBetween(out, "[a]", "[", "]", 99), 0);
  EXPECT_EQ(CStringUtils::FindBetween(out, "[a]", "[", "]", -1), 0);
}

TEST(CStringUtilsTest, SplitPair) {
  CMapStringToString map{{"k", "old"}};
  EXPECT_EQ(CStringUtils::SplitPair("k=v=w", "=", map), 1);
  EXPECT_EQ(map.at("k"), "v=w");
  EXPECT_EQ(CStringUtils::SplitPair("name::x", "::", map), 1);
  EXPECT_EQ(map.at("name"), "x");
  EXPECT_EQ(CStringUtils::SplitPair("=v", "=", map), 1);
  EXPECT_EQ(map.at(""), "v");
  EXPECT_EQ(CStringUtils::SplitPair("novalue", "=", map), 0);
  EXPECT_EQ(map.size(), 3u);
}

TEST(CStringUtilsTest, MultiByteToMultiByteUtf8ToGbkAndBack) {
  const std::string utf8 = "a\xE4\xB8\xAD\xE6\x96\x87";  // a + two Chinese characters
  char* gbk = nullptr;
  int gbkLength = -1;
  ASSERT_EQ(CStringUtils::MultiByteToMultiByte(utf8.data(), static_cast<int>(utf8.size()),
                                               platform::kCodePageUtf8, &gbk, &gbkLength,
                                               platform::kCodePageGbk, 0),
            1);
  ASSERT_NE(gbk, nullptr);
  EXPECT_EQ(std::string(gbk, static_cast<size_t>(gbkLength)), "a\xD6\xD0\xCE\xC4");
  EXPECT_EQ(gbk[gbkLength], '\0');

  char* back = nullptr;
  int backLength = 0;
  ASSERT_EQ(CStringUtils::MultiByteToMultiByte(gbk, -1, platform::kCodePageGbk, &back, &backLength,
                                               platform::kCodePageSystem, 0),
            1);
  // With length -1 the converted terminator is counted.
  EXPECT_EQ(backLength, static_cast<int>(utf8.size()) + 1);
  EXPECT_EQ(std::string(back), utf8);
  delete[] gbk;
  delete[] back;
}

TEST(CStringUtilsTest, MultiByteToMultiByteFailures) {
  char* out = reinterpret_cast<char*>(0x1);
  int length = 42;
  EXPECT_EQ(CStringUtils::MultiByteToMultiByte("", 0, 65001, &out, &length, 936, 0), 0);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);

  out = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(CStringUtils::MultiByteToMultiByte("a\xFF", 2, 65001, &out, &length, 936,
                                               platform::kMbErrInvalidChars),
            0);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoUnicodeTranslation);

  length = 7;
  EXPECT_EQ(CStringUtils::MultiByteToMultiByte("abc", 3, 65001, nullptr, &length, 936, 0), 0);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(CStringUtils::MultiByteToMultiByte("abc", 3, 65001, &out, &length, 4242, 0), 0);
  EXPECT_EQ(out, nullptr);
}
