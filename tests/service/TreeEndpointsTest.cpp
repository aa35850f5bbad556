// Listing, folder creation, deletion and sessions of the stand-in service.
#include <fstream>

#include "ServiceFixture.h"

namespace svctest {
namespace {

using TreeTest = ServiceTest;

TEST_F(TreeTest, RootListingCreatesTheBackupRootOnceWithItsFields) {
  Reply first = List("s1");
  ASSERT_EQ(first.http, 200);
  ASSERT_EQ(first.Status(), 0);
  EXPECT_EQ(first.json["description"].asString(), "OK");
  const Json::Value& root = first.json["data"]["root"];
  EXPECT_GT(root["id"].asInt64(), 0);
  EXPECT_EQ(root["pid"].asInt64(), -1);
  EXPECT_EQ(root["name"].asString(), "kvsfodra");
  EXPECT_EQ(root["type"].asInt(), 0);
  EXPECT_EQ(root["status"].asInt(), 1);
  EXPECT_TRUE(first.json["data"]["files"].isArray());
  EXPECT_EQ(first.json["data"]["files"].size(), 0u);
  EXPECT_EQ(RootId("s1"), root["id"].asInt64()) << "the root is created once";
  EXPECT_NE(RootId("s2"), root["id"].asInt64()) << "each account has its own root";
}

TEST_F(TreeTest, CreatePathMakesEveryMissingFolderAndAnswersTheDeepest) {
  int64_t root = RootId();
  Reply made = CreatePath("s1", "A\\B/C");
  ASSERT_EQ(made.Status(), 0) << made.body;
  const Json::Value& c = made.File();
  EXPECT_EQ(c["name"].asString(), "C");
  EXPECT_EQ(c["type"].asInt(), 2);

  Reply top = List("s1");
  ASSERT_EQ(top.json["data"]["files"].size(), 1u);
  const Json::Value& a = top.json["data"]["files"][0];
  EXPECT_EQ(a["name"].asString(), "A");
  EXPECT_EQ(a["pid"].asInt64(), root);
  EXPECT_EQ(a["type"].asInt(), 2);
  EXPECT_EQ(a["status"].asInt(), 1);
  Reply underA = List("s1", a["id"].asInt64());
  ASSERT_EQ(underA.Status(), 0);
  EXPECT_FALSE(underA.json["data"].isMember("root")) << "a pid listing has no root";
  ASSERT_EQ(underA.json["data"]["files"].size(), 1u);
  const Json::Value& b = underA.json["data"]["files"][0];
  EXPECT_EQ(b["name"].asString(), "B");
  EXPECT_EQ(c["pid"].asInt64(), b["id"].asInt64());

  Reply again = CreatePath("s1", "A/B/C");
  EXPECT_EQ(again.File()["id"].asInt64(), c["id"].asInt64()) << "existing folders are reused";
  EXPECT_EQ(Tree("alice").size(), 4u);
}

TEST_F(TreeTest, RefusedPathsCreateNothing) {
  ASSERT_EQ(CreatePath("s1", "ok").Status(), 0);
  size_t before = Tree("alice").size();
  for (const std::string& bad :
       {std::string(".."), std::string("."), std::string(""), std::string("A/../B"),
        std::string("A\\..\\..\\x"), std::string("/A"), std::string("A//B"), std::string("A/"),
        std::string("A\x01"
                    "B"),
        std::string("tab\there"),
        std::string("bad\xff"
                    "utf8"),
        std::string("ok/..")}) {
    Reply r = CreatePath("s1", bad);
    EXPECT_NE(r.Status(), 0) << "accepted: " << bad;
    EXPECT_NE(r.json["description"].asString(), "OK");
  }
  EXPECT_EQ(Tree("alice").size(), before);
  EXPECT_EQ(CreatePath("s1", "..dots/名前").Status(), 0)
      << "names that only begin with dots are fine";
}

TEST_F(TreeTest, UnknownOrMissingSessionGetsAFailedEnvelopeOnEveryEndpoint) {
  int64_t fid = Upload("s1", RootId(), "secret.txt", "alice's data");
  ASSERT_GT(fid, 0);
  for (const std::string& session : {std::string("nobody"), std::string("")}) {
    EXPECT_NE(List(session).Status(), 0);
    EXPECT_NE(CreatePath(session, "X").Status(), 0);
    EXPECT_NE(Init(session, RootId(), "x", 1).Status(), 0);
    EXPECT_NE(FileInfo(session, fid).Status(), 0);
    EXPECT_NE(Delete(session, fid).Status(), 0);
    Reply chunk = Chunk(session, fid, 0, "h", 1, "x");
    EXPECT_EQ(chunk.http, 401);
    EXPECT_NE(chunk.Status(), 0);
  }
  Reply noParam = Http().Get("/wbx/filebackup/getSubFilesAction.json?");
  EXPECT_EQ(noParam.Status(), 100001);
  EXPECT_EQ(TreeEntry("alice", fid)["status"].asInt(), 1) << "nothing changed";
}

TEST_F(TreeTest, AnotherAccountCannotSeeOrTouchAFile) {
  int64_t fid = Upload("s1", RootId("s1"), "mine.txt", "content");
  ASSERT_GT(fid, 0);
  EXPECT_EQ(List("s2").json["data"]["files"].size(), 0u);
  EXPECT_NE(FileInfo("s2", fid).Status(), 0);
  EXPECT_NE(Delete("s2", fid).Status(), 0);
  EXPECT_NE(List("s2", RootId("s1")).Status(), 0) << "no listing of alice's folder";
  EXPECT_NE(Init("s2", RootId("s1"), "intrude", 3).Status(), 0) << "no upload into alice's folder";
  EXPECT_NE(Init("s2", RootId("s2"), "mine.txt", 7, fid).Status(), 0) << "no reuse of alice's fid";
  const std::string content = TreeEntry("alice", fid)["content"].asString();
  EXPECT_NE(Chunk("s2", fid, 0, DigestOf("content"), 7, "CONTENT").Status(), 0)
      << "no chunk into alice's file";
  EXPECT_EQ(FileInfo("s1", fid).File()["status"].asInt(), 1);
  std::ifstream in(content, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "content");
}

TEST_F(TreeTest, UploadNamesThatClimbOrSplitAreRefusedAndCreateNothing) {
  const int64_t root = RootId();
  const size_t before = Tree("alice").size();
  for (const std::string& bad :
       {std::string(".."), std::string("."), std::string(""), std::string("../x"),
        std::string("a/b"), std::string("a\\b"), std::string("..\\..\\x"), std::string("nl\nname"),
        std::string("bad\xfe")}) {
    Reply r = Init("s1", root, bad, 3);
    EXPECT_NE(r.Status(), 0) << "accepted: " << bad;
  }
  EXPECT_NE(Init("s1", -1, "x", 3).Status(), 0) << "no folder of id -1";
  EXPECT_NE(Init("s1", 999999, "x", 3).Status(), 0) << "no folder that does not exist";
  EXPECT_EQ(Tree("alice").size(), before);
}

TEST_F(TreeTest, DeleteRemovesTheFileAndItsContent) {
  int64_t fid = Upload("s1", RootId(), "gone.bin", Pattern(1000, 2));
  ASSERT_GT(fid, 0);
  std::string content = TreeEntry("alice", fid)["content"].asString();
  ASSERT_TRUE(std::ifstream(content).good());
  Reply del = Delete("s1", fid);
  EXPECT_EQ(del.Status(), 0) << del.body;
  EXPECT_EQ(List("s1").json["data"]["files"].size(), 0u);
  EXPECT_FALSE(std::ifstream(content).good());
  EXPECT_NE(FileInfo("s1", fid).Status(), 0);
  EXPECT_NE(Delete("s1", fid).Status(), 0) << "a second delete finds nothing";
  Reply folder = CreatePath("s1", "F");
  EXPECT_NE(Delete("s1", folder.File()["id"].asInt64()).Status(), 0) << "folders are not files";
}

TEST_F(TreeTest, ControlEndpointsAnswerOnlyWhenEnabled) {
  kvtest::StandInService plain({"--session", "s1=alice"});
  ASSERT_TRUE(plain.Start()) << plain.error();
  HttpCall call(plain.BaseUrl());
  EXPECT_EQ(call.Get("/kvup-control/tree?account=alice").http, 404);
  EXPECT_EQ(call.PostRaw("/kvup-control/faults", "*:status=500").http, 404);
  EXPECT_EQ(call.Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1").Status(), 0);
  EXPECT_EQ(Http().Get("/kvup-control/tree?account=alice").http, 200);
}

}  // namespace
}  // namespace svctest
