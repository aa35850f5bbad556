#include <gtest/gtest.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "platform/LastError.h"
#include "util/CommonUtils.h"

namespace {

bool HasLine(const kvtest::LogCapture& log, const std::string& line) {
  const std::vector<std::string> lines = log.Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(CommonUtilsTest, WindowsErrorTextCarriesTheLastError) {
  platform::SetLastError(5);
  EXPECT_EQ(WindowsErrorText("DeleteFile", "/d/f.txt"),
            "Function [DeleteFile(/d/f.txt)] failed: GetLastError [5]");
  platform::SetLastError(183);
  EXPECT_EQ(WindowsErrorText("CreateMutex"), "Function [CreateMutex] failed: GetLastError [183]");
}

TEST(CommonUtilsTest, CurlErrorTextHasCodeAndLibraryText) {
  EXPECT_EQ(CurlErrorText(0), "(0)No error");
  EXPECT_EQ(CurlErrorText(7), "(7)Couldn't connect to server");
}

TEST(CommonUtilsTest, SplitPathAtTheLastSlash) {
  std::string component, parent;
  ASSERT_TRUE(SplitPath("C:/dir/", &component, &parent));
  EXPECT_EQ(component, "dir");
  EXPECT_EQ(parent, "C:");
  ASSERT_TRUE(SplitPath("/home/u/file.txt", &component, &parent));
  EXPECT_EQ(component, "file.txt");
  EXPECT_EQ(parent, "/home/u");
  ASSERT_TRUE(SplitPath("/top", &component, &parent));
  EXPECT_EQ(component, "top");
  EXPECT_EQ(parent, "");
  // Only one trailing slash is dropped.
  ASSERT_TRUE(SplitPath("a//", &component, &parent));
  EXPECT_EQ(component, "");
  EXPECT_EQ(parent, "a");
}

TEST(CommonUtilsTest, SplitPathWithoutSlashFailsAndKeepsOutputs) {
  std::string component = "c", parent = "p";
  EXPECT_FALSE(SplitPath("nodir", &component, &parent));
  EXPECT_FALSE(SplitPath("dir/", &component, &parent));
  EXPECT_FALSE(SplitPath("", &component, &parent));
  EXPECT_FALSE(SplitPath("/", &component, &parent));
  EXPECT_EQ(component, "c");
  EXPECT_EQ(parent, "p");
}

TEST(CommonUtilsTest, PrefixBeforeFirstSeparatorCharacter) {
  std::string prefix = "old";
  ASSERT_TRUE(PrefixBefore("a=b=c", "=", &prefix));
  EXPECT_EQ(prefix, "a");
  ASSERT_TRUE(PrefixBefore("k:v", ":ignored", &prefix));
  EXPECT_EQ(prefix, "k");
  ASSERT_TRUE(PrefixBefore("=v", "=", &prefix));
  EXPECT_EQ(prefix, "");
  prefix = "old";
  EXPECT_FALSE(PrefixBefore("abc", "=", &prefix));
  EXPECT_FALSE(PrefixBefore("a=b", "", &prefix));
  EXPECT_EQ(prefix, "old");
}

TEST(CommonUtilsTest, CountFilesWalksTheTree) {
  kvtest::TempDir tmp;
  tmp.WriteFile("a", "1");
  tmp.WriteFile("b", "2");
  tmp.WriteFile("sub/c", "3");
  tmp.WriteFile("sub/deeper/d", "4");
  tmp.WriteFile("sub/deeper/e", "5");
  ASSERT_EQ(mkdir(tmp.Sub("empty").c_str(), 0777), 0);
  // A link to a folder is not followed nor counted: the walk leaves it out.
  ASSERT_EQ(symlink(tmp.path().c_str(), tmp.Sub("sub/loop").c_str()), 0);
  EXPECT_EQ(CountFiles(tmp.path()), 5);
  EXPECT_EQ(CountFiles(tmp.Sub("sub/deeper")), 2);
  EXPECT_EQ(CountFiles(tmp.Sub("empty")), 0);
  EXPECT_EQ(CountFiles(tmp.Sub("missing")), 0);
  EXPECT_EQ(CountFiles(""), 0);
}

TEST(CommonUtilsTest, FileTimesOfARealFile) {
  kvtest::TempDir tmp;
  const time_t before = time(nullptr);
  const std::string file = tmp.WriteFile("f.txt", "data");
  const utimbuf times{1111111111, 1300000000};
  ASSERT_EQ(utime(file.c_str(), &times), 0);
  int64_t creation = 0, lastWrite = 0;
  ASSERT_TRUE(ReadFileTimes(file, &creation, &lastWrite));
  EXPECT_EQ(lastWrite, 1300000000);
  EXPECT_GE(creation, before);
}

TEST(CommonUtilsTest, FileTimesOfAMissingFile) {
  kvtest::TempDir tmp;
  int64_t creation = 0, lastWrite = 77;
  EXPECT_FALSE(ReadFileTimes(tmp.Sub("missing"), &creation, &lastWrite));
  EXPECT_EQ(creation, 1);
  EXPECT_EQ(lastWrite, 77);
}

TEST(CommonUtilsTest, CodePageConversionsAreIdentityForUtf8) {
  const std::string text = std::string("name \xE4\xB8\xAD\xE6\x96\x87.txt\0tail", 18);
  EXPECT_EQ(SystemToUtf8(text), text);
  EXPECT_EQ(Utf8ToSystem(text), text);
  EXPECT_EQ(SystemToUtf8(""), "");
}

TEST(CommonUtilsTest, IllFormedNamesBecomeWellFormedUtf8) {
  EXPECT_EQ(SystemToUtf8("bad\xFFname"), "bad\xEF\xBF\xBDname");
  EXPECT_EQ(SystemToUtf8("cut\xE4\xB8"), "cut\xEF\xBF\xBD");
}

TEST(CommonUtilsTest, Int64ToText) {
  EXPECT_EQ(Int64ToStr(0), "0");
  EXPECT_EQ(Int64ToStr(-5), "-5");
  EXPECT_EQ(Int64ToStr(1234567890123), "1234567890123");
  EXPECT_EQ(Int64ToStr(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(Int64ToStr(INT64_MIN), "-9223372036854775808");
}

TEST(CommonUtilsTest, TextToInt64ReadsTheLeadingNumber) {
  EXPECT_EQ(StrToInt64("42"), 42);
  EXPECT_EQ(StrToInt64("  -17 apples"), -17);
  EXPECT_EQ(StrToInt64("+8"), 8);
  EXPECT_EQ(StrToInt64("0x10"), 0);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
}

TEST(CommonUtilsTest, TextToInt64ThrowsWithTheText) {
  for (const std::string bad : {"abc", "", "  ", "-", "99999999999999999999"}) {
    try {
      StrToInt64(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const StrToIntError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to convert string '" + bad + "' to integer!");
    }
  }
}

TEST(CommonUtilsTest, TryTextToInt64NeverThrows) {
  int64_t value = 99;
  EXPECT_FALSE(TryStrToInt64("x1", &value));
  EXPECT_FALSE(TryStrToInt64("-99999999999999999999", &value));
  EXPECT_EQ(value, 99);
  EXPECT_TRUE(TryStrToInt64(" 12x", &value));
  EXPECT_EQ(value, 12);
}

TEST(CommonUtilsTest, RetryCounter) {
  int counter = 4;
  EXPECT_TRUE(UpdateRetryCount(2, &counter));
  EXPECT_EQ(counter, 5);
  EXPECT_TRUE(UpdateRetryCount(1, &counter));
  EXPECT_EQ(counter, 5);
  EXPECT_TRUE(UpdateRetryCount(0, &counter));
  EXPECT_EQ(counter, 0);
}

TEST(CommonUtilsTest, RetryCounterRefusesUnknownOperations) {
  kvtest::LogCapture log;
  int counter = 4;
  EXPECT_FALSE(UpdateRetryCount(3, &counter));
  EXPECT_FALSE(UpdateRetryCount(-1, &counter));
  EXPECT_EQ(counter, 4);
  EXPECT_TRUE(HasLine(log, "root|ERROR|Unkown nOperType: 3")) << log.Lines().size();
  EXPECT_TRUE(HasLine(log, "root|ERROR|Unkown nOperType: -1"));
}

TEST(CommonUtilsTest, RangeIntersection) {
  Range out{-1, -1};
  EXPECT_EQ(IntersectRange({0, 100}, {50, 200}, &out), 0);
  EXPECT_EQ(out.start, 50);
  EXPECT_EQ(out.end, 100);
  EXPECT_EQ(IntersectRange({60, 70}, {50, 200}, &out), 0);
  EXPECT_EQ(out.start, 60);
  EXPECT_EQ(out.end, 70);
  // Closed ranges: touching at one position intersects.
  EXPECT_EQ(IntersectRange({200, 300}, {50, 200}, &out), 0);
  EXPECT_EQ(out.start, 200);
  EXPECT_EQ(out.end, 200);

  out = {-1, -1};
  EXPECT_EQ(IntersectRange({300, 400}, {50, 200}, &out), 1);
  EXPECT_EQ(IntersectRange({0, 10}, {50, 200}, &out), -1);
  EXPECT_EQ(IntersectRange({0, 49}, {50, 200}, &out), -1);
  EXPECT_EQ(out.start, -1);
  EXPECT_EQ(out.end, -1);
}

TEST(CommonUtilsTest, ShortNamesStayUnchanged) {
  EXPECT_EQ(ShortenFileName("report.txt", 10), "report.txt");
  EXPECT_EQ(ShortenFileName("", 5), "");
}

TEST(CommonUtilsTest, ShortenKeepsShortExtensions) {
  EXPECT_EQ(ShortenFileName("abcdefghijklmnop.txt", 12), "abcdef....txt");
  EXPECT_EQ(ShortenFileName("abcde fghijklmnop.txt", 12), "abcde....txt");
  EXPECT_EQ(ShortenFileName("abcdefghijklmnop.jpeg", 12), "abcdef....jpeg");
}

TEST(CommonUtilsTest, ShortenCutsLongExtensions) {
  EXPECT_EQ(ShortenFileName("abcdefghijklmnop.torrent", 14), "abcd.torre....");
  // Without a dot the whole name counts as the extension.
  EXPECT_EQ(ShortenFileName("abcdefghijklmnopqrstuvwxyz", 14), "abcd.abcde....");
}

TEST(CommonUtilsTest, ShortenDotFilesAndTrailingDots) {
  EXPECT_EQ(ShortenFileName(".abcdefghijklmnop", 12), ".abcde....");
  EXPECT_EQ(ShortenFileName("abcdefghijklmnop.", 12), "abcdef....");
}

TEST(CommonUtilsTest, ShortenNeverSplitsUtf8) {
  const std::string zhong = "\xE4\xB8\xAD";                         // three bytes
  const std::string name = zhong + zhong + zhong + zhong + ".txt";  // 16 bytes
  // Six bytes are exactly two characters; seven would split the third.
  EXPECT_EQ(ShortenFileName(name, 12), zhong + zhong + "....txt");
  EXPECT_EQ(ShortenFileName(name, 13), zhong + zhong + "....txt");
  EXPECT_EQ(ShortenFileName(name, 15), zhong + zhong + zhong + "....txt");
  const std::string longExt = "ab." + zhong + zhong + "xyz";
  EXPECT_EQ(ShortenFileName(longExt, 11), "a." + zhong + "....");
}

TEST(CommonUtilsTest, ShortenWithTinyMaximumsGivesOnlyTheMarks) {
  EXPECT_EQ(ShortenFileName("abcdefgh.txt", 3), "....txt");
  EXPECT_EQ(ShortenFileName("abcdefgh.longext", -1), ".longe....");
}

TEST(CommonUtilsTest, IconTables) {
  struct Case {
    const char* name;
    const char* kind;
  };
  const Case cases[] = {
      {"a.txt", "txt"},     {"b.doc", "word"},       {"b.WPS", "word"},       {"c.xls", "excel"},
      {"c.et", "excel"},    {"d.ppt", "ppt"},        {"d.dps", "ppt"},        {"e.pdf", "pdf"},
      {"f.rar", "rar"},     {"f.zip", "rar"},        {"f.7Z", "rar"},         {"g.csv", "csv"},
      {"photo.JPG", "img"}, {"h.jpeg", "img"},       {"h.png", "img"},        {"h.ico", "img"},
      {"h.bmp", "img"},     {"i.grid", "grid"},      {"j.mp3", "audio"},      {"j.wma", "audio"},
      {"j.wav", "audio"},   {"k.avi", "video"},      {"k.wmv", "video"},      {"k.mpeg", "video"},
      {"k.rm", "video"},    {"k.rmvb", "video"},     {"l.vcf", "vcf"},        {"report", "default"},
      {"txt", "txt"},       {"a.txt.gz", "default"}, {"archive.", "default"}, {"x.docx", "default"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BigIconName(c.name), std::string("cdBig_") + c.kind + ".png") << c.name;
    EXPECT_EQ(SmallIconName(c.name), std::string("cdSmall_") + c.kind + ".png") << c.name;
  }
}
