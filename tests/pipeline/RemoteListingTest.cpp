#include <gtest/gtest.h>

#include "RemoteWorld.h"
#include "common/RawHttpServer.h"
#include "pipeline/CreatePathRequest.h"
#include "pipeline/FileBackupMgr.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"

namespace {

using kvtest::PumpUntil;
using pipetest::RemoteWorld;

class RemoteListingTest : public RemoteWorld {
 protected:
  FileBackupMgr store_{options_};
};

TEST_F(RemoteListingTest, RootListingFillsThePicture) {
  const int64_t root = RootId();
  const int64_t a = CreateFolder("A");
  const int64_t b = CreateFolder("A/B");
  std::string hash;
  const int64_t file = UploadFile(root, "top.txt", "content", &hash);
  ASSERT_TRUE(store_.loadRemoteFolder(0));
  EXPECT_EQ(store_.remoteRootId(), root);
  EXPECT_EQ(store_.findRemoteIdByPath("kvsfodra"), root);
  EXPECT_EQ(store_.findRemoteIdByPath("kvsfodra\\A"), a);
  EXPECT_EQ(store_.findRemoteIdByPath("A"), -2);
  EXPECT_EQ(store_.findRemoteIdByPath("kvsfodra\\A\\B"), -2) << "B is not listed yet";
  int64_t id = 0;
  EXPECT_TRUE(store_.findRemoteChild(root, "top.txt", hash, &id));
  EXPECT_EQ(id, file);
  EXPECT_FALSE(store_.hasRemoteChildren(a));
  ASSERT_TRUE(store_.loadRemoteFolder(a));
  EXPECT_EQ(store_.findRemoteIdByPath("kvsfodra\\A\\B"), b);
  EXPECT_TRUE(store_.hasRemoteChildren(a));
}

TEST_F(RemoteListingTest, FailuresOfTheListing) {
  COptions stranger;
  stranger.AddCookie({"127.0.0.1", "GSESSIONID", "unknown", "/"});
  stranger.BuildCookieHeader();
  stranger.BuildSessionParam();
  FileBackupMgr refused(stranger);
  EXPECT_TRUE(refused.loadRemoteFolder(0)) << "a failure status changes nothing";
  EXPECT_EQ(refused.Remote().FolderCount(), 0u);

  AddFault("getSubFilesAction:text:times=1");
  EXPECT_FALSE(store_.loadRemoteFolder(0)) << "an answer that is not JSON";
  ServiceConfig::Instance().SetSilenceLimitSeconds(1);
  AddFault("getSubFilesAction:stall=30000:times=1");
  EXPECT_FALSE(store_.loadRemoteFolder(0)) << "a silent service";
  EXPECT_EQ(store_.Remote().FolderCount(), 0u);
  EXPECT_TRUE(store_.loadRemoteFolder(0)) << "the handle is reused afterwards";
  EXPECT_NE(store_.remoteRootId(), 0);

  service_.Stop();
  EXPECT_FALSE(store_.loadRemoteFolder(0));
  ASSERT_TRUE(PumpUntil([&] { return messages_.Count(msg::WM_NETWORK_FAILED) == 1; }));
}

// The request bytes are pinned against a recording server.
TEST(ListingWireTest, HeadersInOrderAndPidInTheUrl) {
  kvtest::RawHttpServer server([](const kvtest::RawRequest&) {
    return kvtest::RawHttpServer::JsonResponse(
        R"({"status":0,"description":"OK","data":{"files":[)"
        R"({"id":5,"pid":9,"name":"big","type":1,"status":1,"hash":"h","size":6442450944,"breakPoint":0},)"
        R"({"id":6,"pid":9,"name":"bad","type":1,"status":-1,"hash":"h","size":1,"breakPoint":0},)"
        R"({"id":7,"pid":9,"name":"gone","type":1,"status":3,"hash":"h","size":1,"breakPoint":0}]}})");
  });
  ServiceConfig::Instance().SetBaseUrl(server.BaseUrl());
  COptions options;
  options.AddCookie({"h", "GSESSIONID", "s9", "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
  FileBackupMgr store(options);
  EXPECT_TRUE(store.loadRemoteFolder(9));
  ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  const std::vector<kvtest::RawRequest> seen = server.Requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].requestLine,
            "GET /wbx/filebackup/getSubFilesAction.json?gSessionId=s9&pid=9 HTTP/1.1");
  EXPECT_EQ(seen[0].headers, (std::vector<std::string>{
                                 "Host: 127.0.0.1:" + std::to_string(server.port()),
                                 "Cookie: GSESSIONID=s9;", "Connection: keep-alive", "Accept: */*",
                                 "X-Requested-With: XMLHttpRequest", "User-Agent: quorel",
                                 "Content-Type: application/x-www-form-urlencoded; charset=UTF-8",
                                 "Accept-Encoding: gzip,deflate,sdch", "Accept-Language: zh-CN,zh",
                                 "Accept-Charset: GBK,utf-8"}));
  const RemotePicture& picture = store.Remote();
  ASSERT_EQ(picture.PendingCount(), 1u)
      << "the parent 9 is not known; status -1 and 3 are left out";
}

TEST_F(RemoteListingTest, CreatePathAnswersTheDeepestFolder) {
  ServiceRequest request(CreatePathRequest::kEndpoint, options_);
  CreatePathRequest::Folder folder;
  const int64_t id = CreatePathRequest::Send("P\\Q", &request, &folder);
  const Json::Value q = Entry("Q");
  ASSERT_FALSE(q.isNull());
  EXPECT_EQ(id, q["id"].asInt64());
  EXPECT_EQ(folder.pid, Entry("P", RootId())["id"].asInt64());
  EXPECT_EQ(folder.type, 2);
  ServiceRequest refused(CreatePathRequest::kEndpoint, options_);
  EXPECT_EQ(CreatePathRequest::Send("..", &refused), -2);
}

}  // namespace
