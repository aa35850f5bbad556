#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "RefDigest.h"
#include "common/TempDir.h"
#include "pipeline/Sha256.h"
#include "pipeline/ShaDigest.h"

namespace {

using pipetest::Pattern;
using pipetest::RefDigest;
using pipetest::RefHex;

constexpr size_t kChunk = pipetest::kRefChunk;

std::string ShellSha256(const std::string& path) {
  std::string cmd = "sha256sum '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  char buf[65] = {0};
  size_t n = p ? std::fread(buf, 1, 64, p) : 0;
  if (p) pclose(p);
  return std::string(buf, n);
}

}  // namespace

TEST(Sha256Test, KnownVectorsAndIncrementalPiecesAgree) {
  EXPECT_EQ(CSha256::Hex("abc", 3),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(CSha256::Hex("", 0),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  std::string data = Pattern(10000, 3);
  CSha256 inc;
  inc.Update(data.data(), 1);
  inc.Update(data.data() + 1, 4095);
  inc.Update(data.data() + 4096, data.size() - 4096);
  EXPECT_EQ(inc.FinishHex(), RefHex(data));
  inc.Update("abc", 3);  // starts over after a finish
  EXPECT_EQ(inc.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ShaDigestTest, OneChunkFileIsTheDigestOfItsOneChunkText) {
  kvtest::TempDir dir;
  std::string content = Pattern(kChunk, 1);
  std::string path = dir.WriteFile("one", content);
  std::string chunkText = ShellSha256(path);
  ASSERT_EQ(chunkText.size(), 64u);
  std::string digest;
  int64_t size = -1;
  ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &size));
  EXPECT_EQ(size, 131072);
  EXPECT_EQ(digest, RefHex(chunkText) + "131072");
}

TEST(ShaDigestTest, FilesAroundChunkBoundariesMatchTheReference) {
  kvtest::TempDir dir;
  for (size_t n : {size_t{1}, kChunk - 1, kChunk + 1, 3 * kChunk, 3 * kChunk + 77}) {
    std::string content = Pattern(n, static_cast<unsigned>(n));
    std::string digest;
    int64_t size = 0;
    ASSERT_TRUE(
        CShaDigest::OfFile(dir.WriteFile("f" + std::to_string(n), content), &digest, &size));
    EXPECT_EQ(size, static_cast<int64_t>(n));
    EXPECT_EQ(digest, RefDigest(content)) << n;
    EXPECT_EQ(digest.size(), 64 + std::to_string(n).size());
  }
}

TEST(ShaDigestTest, ChunkOrderDoesNotChangeTheDigest) {
  kvtest::TempDir dir;
  std::string a = Pattern(kChunk, 7), b = Pattern(kChunk, 8);
  std::string d1, d2;
  int64_t s1 = 0, s2 = 0;
  ASSERT_TRUE(CShaDigest::OfFile(dir.WriteFile("ab", a + b), &d1, &s1));
  ASSERT_TRUE(CShaDigest::OfFile(dir.WriteFile("ba", b + a), &d2, &s2));
  EXPECT_EQ(d1, d2);
  std::string lo = std::min(RefHex(a), RefHex(b)), hi = std::max(RefHex(a), RefHex(b));
  EXPECT_EQ(d1, RefHex(lo + hi) + "262144");
  EXPECT_NE(d1, RefHex(hi + lo) + "262144");
  EXPECT_EQ(d1, RefDigest(a + b));
}

TEST(ShaDigestTest, EmptyAndMissingFiles) {
  kvtest::TempDir dir;
  std::string digest = "x";
  int64_t size = 5;
  EXPECT_TRUE(CShaDigest::OfFile(dir.WriteFile("empty", ""), &digest, &size));
  EXPECT_EQ(digest, "");
  EXPECT_EQ(size, 0);
  digest = "x";
  size = 5;
  EXPECT_FALSE(CShaDigest::OfFile(dir.Sub("missing"), &digest, &size));
  EXPECT_EQ(digest, "");
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(CShaDigest::OfFile(dir.path(), &digest, &size)) << "a folder has no digest";
}

TEST(ShaDigestTest, StoppedReadGivesNoDigestButKeepsTheSize) {
  kvtest::TempDir dir;
  std::string path = dir.WriteFile("f", Pattern(3 * kChunk, 2));
  int asked = 0;
  std::string digest;
  int64_t size = 0;
  EXPECT_FALSE(CShaDigest::OfFile(path, &digest, &size, [&] { return ++asked < 2; }));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(digest, "");
  EXPECT_EQ(size, 3 * 131072);
}

TEST(ShaDigestTest, SizeTailIsTheLow32BitsAsSigned) {
  EXPECT_EQ(CShaDigest::SizeText(3221225472LL), "-1073741824");
  EXPECT_EQ(CShaDigest::SizeText(2147483647LL), "2147483647");
  EXPECT_EQ(CShaDigest::SizeText(2147483648LL), "-2147483648");
  EXPECT_EQ(CShaDigest::SizeText(4294967296LL + 5), "5");
  CShaDigest d;
  std::string zeroChunk = RefHex(std::string(kChunk, '\0'));
  for (int i = 0; i < 3; ++i) d.AddChunk(std::string(kChunk, '\0').data(), kChunk);
  EXPECT_EQ(d.Finish(3221225472LL), RefHex(zeroChunk + zeroChunk + zeroChunk) + "-1073741824");
  EXPECT_EQ(d.Finish(10), "") << "Finish drops the collected chunks";
}

TEST(ShaDigestTest, ThreeGibibyteSparseFileEndsInTheLow32BitsOfItsSize) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("sparse");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 3221225472LL), 0);
  ::close(fd);
  std::string digest;
  int64_t size = 0;
  ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &size));
  EXPECT_EQ(size, 3221225472LL);
  // 24576 chunks of zeros: 24576 equal texts.
  const std::string zeroText = RefHex(std::string(kChunk, '\0'));
  std::string joined;
  for (int i = 0; i < 24576; ++i) joined += zeroText;
  EXPECT_EQ(digest, RefHex(joined) + "-1073741824");
}
