// Break-point uploads through the stand-in service: init, chunks, resume,
// dedup, digest check, limits, replacement and restart.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "ServiceFixture.h"
#include "pipeline/Sha256.h"
#include "pipeline/ShaDigest.h"

namespace svctest {

using kvtest::ReadAll;
namespace {

using UploadTest = ServiceTest;

TEST_F(UploadTest, ChunksCompleteTheFileWithItsDigestAndContent) {
  std::string content = Pattern(3 * kChunk + 500, 1);
  Reply init = Init("s1", RootId(), "data.bin", static_cast<int64_t>(content.size()));
  ASSERT_EQ(init.Status(), 0) << init.body;
  const Json::Value& f = init.File();
  int64_t fid = f["id"].asInt64();
  EXPECT_GT(fid, 0);
  EXPECT_EQ(f["pid"].asInt64(), RootId());
  EXPECT_EQ(f["status"].asInt(), 2);
  EXPECT_EQ(f["type"].asInt(), 1);
  EXPECT_EQ(f["size"].asInt64(), static_cast<int64_t>(content.size()));
  EXPECT_EQ(f["breakPoint"].asInt64(), 0);

  Reply mid = SendRange("s1", fid, content, 0, 2 * kChunk);
  EXPECT_EQ(mid.http, 200);
  EXPECT_EQ(mid.File()["status"].asInt(), 2);
  EXPECT_EQ(mid.File()["breakPoint"].asInt64(), 2 * 131072);
  const Json::Value listed = List("s1").json["data"]["files"][0];
  EXPECT_EQ(listed["status"].asInt(), 2);
  EXPECT_EQ(listed["hash"].asString(), "") << "an unfinished file shows no hash";
  EXPECT_EQ(listed["breakPoint"].asInt64(), 2 * 131072);

  Reply last = SendRange("s1", fid, content, 2 * kChunk, content.size());
  ASSERT_EQ(last.http, 200);
  EXPECT_EQ(last.File()["status"].asInt(), 1);
  Reply info = FileInfo("s1", fid);
  EXPECT_EQ(info.File()["name"].asString(), "data.bin");
  EXPECT_EQ(info.File()["breakPoint"].asInt64(), static_cast<int64_t>(content.size()));
  const Json::Value done = List("s1").json["data"]["files"][0];
  EXPECT_EQ(done["hash"].asString(), DigestOf(content));
  EXPECT_EQ(done["status"].asInt(), 1);
  EXPECT_EQ(ReadAll(TreeEntry("alice", fid)["content"].asString()), content);
}

TEST_F(UploadTest, InitOfAnUnfinishedUploadResumesAtTheBytesHeld) {
  std::string content = Pattern(4 * kChunk, 2);
  int64_t size = static_cast<int64_t>(content.size());
  int64_t fid = Init("s1", RootId(), "r.bin", size).File()["id"].asInt64();
  ASSERT_EQ(SendRange("s1", fid, content, 0, 2 * kChunk).http, 200);
  Reply again = Init("s1", RootId(), "r.bin", size);
  EXPECT_EQ(again.File()["id"].asInt64(), fid);
  EXPECT_EQ(again.File()["breakPoint"].asInt64(), 2 * 131072);
  EXPECT_EQ(FileInfo("s1", fid).File()["breakPoint"].asInt64(), 2 * 131072);
  Reply byFid = Init("s1", RootId(), "r.bin", size, fid);
  EXPECT_EQ(byFid.File()["breakPoint"].asInt64(), 2 * 131072);
  EXPECT_EQ(SendRange("s1", fid, content, 2 * kChunk, content.size()).File()["status"].asInt(), 1);
  EXPECT_EQ(ReadAll(TreeEntry("alice", fid)["content"].asString()), content);

  int64_t other = Init("s1", RootId(), "s.bin", size).File()["id"].asInt64();
  ASSERT_EQ(SendRange("s1", other, content, 0, kChunk).http, 200);
  Reply resized = Init("s1", RootId(), "s.bin", size + 1);
  EXPECT_EQ(resized.File()["breakPoint"].asInt64(), 0) << "another size starts over";
  EXPECT_EQ(resized.File()["size"].asInt64(), size + 1);
}

TEST_F(UploadTest, WrongBreakPointAnswers409WithoutBodyAndChangesNothing) {
  std::string content = Pattern(3 * kChunk, 3);
  int64_t size = static_cast<int64_t>(content.size());
  int64_t fid = Init("s1", RootId(), "c.bin", size).File()["id"].asInt64();
  ASSERT_EQ(SendRange("s1", fid, content, 0, kChunk).http, 200);
  for (int64_t bp : {int64_t{0}, int64_t{2 * 131072}, int64_t{131071}}) {
    Reply r = Chunk("s1", fid, bp, DigestOf(content), size, content.substr(0, kChunk));
    EXPECT_EQ(r.http, 409) << bp;
    EXPECT_EQ(r.body, "") << "a body would stop kvup from asking again";
  }
  EXPECT_EQ(FileInfo("s1", fid).File()["breakPoint"].asInt64(), 131072);
  int64_t done = Upload("s1", RootId(), "d.bin", "tiny");
  Reply afterDone = Chunk("s1", done, 0, DigestOf("tiny"), 4, "tiny");
  EXPECT_EQ(afterDone.http, 409) << "no upload is open on a complete file";
  EXPECT_EQ(Chunk("s1", 999999, 0, "h", 4, "tiny").http, 404);
}

TEST_F(UploadTest, FirstChunkOfContentTheAccountHoldsCompletesAtOnce) {
  std::string content = Pattern(2 * kChunk + 9, 4);
  int64_t size = static_cast<int64_t>(content.size());
  int64_t first = Upload("s1", RootId(), "a.bin", content);
  ASSERT_GT(first, 0);
  int64_t copy = Init("s1", RootId(), "b.bin", size).File()["id"].asInt64();
  Reply r = Chunk("s1", copy, 0, DigestOf(content), size, content.substr(0, kChunk));
  ASSERT_EQ(r.http, 200);
  EXPECT_EQ(r.File()["status"].asInt(), 1);
  EXPECT_EQ(r.File()["id"].asInt64(), copy);
  EXPECT_EQ(ReadAll(TreeEntry("alice", copy)["content"].asString()), content);

  // bob's upload of the same content is not helped by alice's copy.
  int64_t bobs = Init("s2", RootId("s2"), "b.bin", size).File()["id"].asInt64();
  Reply probe = Chunk("s2", bobs, 0, DigestOf(content), size, content.substr(0, kChunk));
  EXPECT_EQ(probe.http, 200);
  EXPECT_EQ(probe.File()["status"].asInt(), 2);
  EXPECT_EQ(probe.File()["breakPoint"].asInt64(), 131072);
}

TEST_F(UploadTest, DigestMismatchAtTheLastByteAnswers422AndStartsOver) {
  std::string content = Pattern(2 * kChunk + 3, 5);
  int64_t size = static_cast<int64_t>(content.size());
  std::string wrong = DigestOf(Pattern(content.size(), 6));
  int64_t fid = Init("s1", RootId(), "m.bin", size).File()["id"].asInt64();
  Reply last;
  for (size_t at = 0; at < content.size(); at += kChunk)
    last = Chunk("s1", fid, static_cast<int64_t>(at), wrong, size, content.substr(at, kChunk));
  EXPECT_EQ(last.http, 422);
  EXPECT_EQ(last.body, "");
  Reply info = FileInfo("s1", fid);
  EXPECT_EQ(info.File()["breakPoint"].asInt64(), 0);
  EXPECT_EQ(info.File()["status"].asInt(), 2);
  EXPECT_EQ(TreeEntry("alice", fid)["content"].asString(), "")
      << "never complete with other content";
  EXPECT_EQ(SendRange("s1", fid, content, 0, content.size()).File()["status"].asInt(), 1)
      << "the upload starts over from 0 and completes";
}

TEST_F(UploadTest, EmptyFileIsCompleteAtInit) {
  Reply init = Init("s1", RootId(), "empty", 0);
  ASSERT_EQ(init.Status(), 0);
  EXPECT_EQ(init.File()["status"].asInt(), 1);
  EXPECT_EQ(init.File()["breakPoint"].asInt64(), 0);
  EXPECT_EQ(List("s1").json["data"]["files"][0]["hash"].asString(), "");
}

TEST_F(UploadTest, InitRefusesBadNamesUnknownFoldersAndFolderNames) {
  EXPECT_NE(Init("s1", 424242, "x", 1).Status(), 0) << "unknown folder";
  EXPECT_NE(Init("s1", RootId(), "..", 1).Status(), 0);
  EXPECT_NE(Init("s1", RootId(), "a/b", 1).Status(), 0);
  EXPECT_NE(Init("s1", RootId(), "", 1).Status(), 0);
  EXPECT_NE(Init("s1", RootId(), "x", -5).Status(), 0);
  ASSERT_EQ(CreatePath("s1", "Dir").Status(), 0);
  EXPECT_NE(Init("s1", RootId(), "Dir", 1).Status(), 0) << "a folder is not replaced by a file";
  int64_t fileId = Upload("s1", RootId(), "f", "abc");
  EXPECT_NE(Init("s1", fileId, "x", 1).Status(), 0) << "a file is no folder";
  EXPECT_EQ(Tree("alice").size(), 3u);
}

TEST_F(UploadTest, ReplacedFileKeepsItsOldContentVisibleUntilTheNewIsComplete) {
  std::string oldContent = Pattern(kChunk + 10, 7), newContent = Pattern(2 * kChunk + 1, 8);
  int64_t fid = Upload("s1", RootId(), "v.bin", oldContent);
  ASSERT_GT(fid, 0);
  Reply init = Init("s1", RootId(), "v.bin", static_cast<int64_t>(newContent.size()), fid);
  EXPECT_EQ(init.File()["status"].asInt(), 2);
  EXPECT_EQ(init.File()["breakPoint"].asInt64(), 0);
  SendRange("s1", fid, newContent, 0, kChunk);
  const Json::Value during = List("s1").json["data"]["files"][0];
  EXPECT_EQ(during["status"].asInt(), 1);
  EXPECT_EQ(during["hash"].asString(), DigestOf(oldContent));
  EXPECT_EQ(ReadAll(TreeEntry("alice", fid)["content"].asString()), oldContent);
  EXPECT_EQ(FileInfo("s1", fid).File()["breakPoint"].asInt64(), 131072);
  EXPECT_EQ(SendRange("s1", fid, newContent, kChunk, newContent.size()).File()["status"].asInt(),
            1);
  EXPECT_EQ(List("s1").json["data"]["files"][0]["hash"].asString(), DigestOf(newContent));
  EXPECT_EQ(ReadAll(TreeEntry("alice", fid)["content"].asString()), newContent);
  EXPECT_EQ(List("s1").json["data"]["files"].size(), 1u);
}

class LimitedUploadTest : public ServiceTest {
 protected:
  LimitedUploadTest() : ServiceTest({"--quota", "1000", "--max-file-size", "600"}) {}
};

TEST_F(LimitedUploadTest, SizeAboveTheFileLimitOrBeyondTheQuotaIsRefused) {
  Reply tooLarge = Init("s1", RootId(), "big", 601);
  EXPECT_EQ(tooLarge.Status(), 102009);
  EXPECT_EQ(Init("s1", RootId(), "max", 600).Status(), 0);
  Reply over = Init("s1", RootId(), "more", 401);
  EXPECT_EQ(over.Status(), 102008) << "600 open + 401 exceeds 1000";
  EXPECT_EQ(Init("s1", RootId(), "fits", 400).Status(), 0);
  EXPECT_EQ(Init("s1", RootId(), "max", 600).Status(), 0)
      << "re-init of an open upload counts once";
  EXPECT_EQ(Init("s2", RootId("s2"), "bobs", 600).Status(), 0) << "quota is per account";
  EXPECT_EQ(Tree("alice").size(), 3u) << "refused uploads leave no entry";
}

TEST_F(UploadTest, RestartKeepsTreesContentsAndOpenUploads) {
  std::string whole = Pattern(kChunk + 77, 9), half = Pattern(3 * kChunk + 5, 10);
  ASSERT_EQ(CreatePath("s1", "keep/me").Status(), 0);
  int64_t done = Upload("s1", RootId(), "whole.bin", whole);
  int64_t open =
      Init("s1", RootId(), "half.bin", static_cast<int64_t>(half.size())).File()["id"].asInt64();
  ASSERT_EQ(SendRange("s1", open, half, 0, 2 * kChunk).http, 200);
  std::string before = Http().Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1").body;

  ASSERT_TRUE(service_.Restart()) << service_.error();
  EXPECT_EQ(Http().Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1").body, before);
  EXPECT_EQ(ReadAll(TreeEntry("alice", done)["content"].asString()), whole);
  EXPECT_EQ(Init("s1", RootId(), "half.bin", static_cast<int64_t>(half.size()))
                .File()["breakPoint"]
                .asInt64(),
            2 * 131072);
  Reply last = SendRange("s1", open, half, 2 * kChunk, half.size());
  EXPECT_EQ(last.File()["status"].asInt(), 1) << "digest of the bytes held before the restart";
  EXPECT_EQ(List("s1").json["data"]["files"].size(), 3u);
}

TEST_F(UploadTest, SizesAndBreakPointsBeyondFourGigabytesStayExact) {
  const int64_t held = int64_t{1} << 32, size = held + 100;
  std::string tail = Pattern(100, 11);
  CShaDigest expected;
  std::string zeroChunk = CSha256::Hex(std::string(kChunk, '\0').data(), kChunk);
  for (int64_t i = 0; i < held / static_cast<int64_t>(kChunk); ++i) expected.AddChunkHex(zeroChunk);
  expected.AddChunk(tail.data(), tail.size());
  std::string hash = expected.Finish(size);

  Reply init = Init("s1", RootId(), "huge.img", size);
  ASSERT_EQ(init.Status(), 0);
  int64_t fid = init.File()["id"].asInt64();
  EXPECT_EQ(init.File()["size"].asInt64(), size);
  // Four zero gigabytes held, laid down sparsely while the service is down.
  std::string upload = TreeEntry("alice", fid)["upload"].asString();
  ASSERT_FALSE(upload.empty());
  service_.Stop();
  ASSERT_EQ(truncate(upload.c_str(), held), 0);
  ASSERT_TRUE(service_.Start()) << service_.error();
  EXPECT_EQ(FileInfo("s1", fid).File()["breakPoint"].asInt64(), held);
  EXPECT_EQ(Chunk("s1", fid, held - 131072, hash, size, tail).http, 409);
  Reply last = Chunk("s1", fid, held, hash, size, tail);
  ASSERT_EQ(last.http, 200) << last.body;
  EXPECT_EQ(last.File()["status"].asInt(), 1);
  EXPECT_EQ(last.File()["size"].asInt64(), size);
  EXPECT_EQ(List("s1").json["data"]["files"][0]["hash"].asString(), hash);
  EXPECT_EQ(hash.substr(64), "100") << "the tail is the low 32 bits of the size";
}

}  // namespace
}  // namespace svctest
