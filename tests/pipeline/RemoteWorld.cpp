#include "RemoteWorld.h"

#include <thread>

#include "pipeline/ShaDigest.h"
#include "session/ServiceConfig.h"

namespace pipetest {

int MessageLog::Count(platform::UINT msg) const {
  int n = 0;
  for (platform::UINT m : seen) n += m == msg ? 1 : 0;
  return n;
}

void RemoteWorld::SetUp() {
  ASSERT_TRUE(service_.Start()) << service_.error();
  ServiceConfig::Instance().SetBaseUrl(service_.BaseUrl());
  options_.AddCookie({"127.0.0.1", "GSESSIONID", "s1", "/"});
  options_.BuildCookieHeader();
  options_.BuildSessionParam();
  window_ = platform::CreateWindowHandle(&messages_);
  ASSERT_NE(window_, nullptr);
  // The process's one notification target, as start-up sets it.
  COptions::Instance().m_dropWnd = window_;
}

void RemoteWorld::TearDown() {
  COptions::Instance().m_dropWnd = nullptr;
  platform::MessageQueue::Instance().Reset();
  ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  ServiceConfig::Instance().SetSilenceLimitSeconds(ServiceConfig::kDefaultSilenceLimitSeconds);
}

int64_t RemoteWorld::RootId() const {
  return Http()
      .Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1")
      .json["data"]["root"]["id"]
      .asInt64();
}

int64_t RemoteWorld::CreateFolder(const std::string& path) const {
  const kvtest::Reply r = Http().PostForm("/wbx/filebackup/createPathAction.json",
                                          "gSessionId=s1&path=" + kvtest::HttpCall::Escape(path));
  EXPECT_EQ(r.Status(), 0) << r.body;
  return r.File()["id"].asInt64();
}

int64_t RemoteWorld::UploadFile(int64_t pid, const std::string& name, const std::string& content,
                                std::string* hash) const {
  CShaDigest digest;
  for (size_t at = 0; at < content.size(); at += CShaDigest::kChunkSize)
    digest.AddChunk(content.data() + at, std::min(CShaDigest::kChunkSize, content.size() - at));
  const std::string text = digest.Finish(static_cast<int64_t>(content.size()));
  const std::string size = std::to_string(content.size());
  const kvtest::Reply init = Http().PostForm("/wbx/filebackup/breakPointUploadInitAction.json",
                                             "gSessionId=s1&pid=" + std::to_string(pid) + "&name=" +
                                                 kvtest::HttpCall::Escape(name) + "&size=" + size);
  const int64_t fid = init.File()["id"].asInt64();
  const kvtest::Reply chunk = Http().PostChunk(
      "gSessionId=s1&fid=" + std::to_string(fid) + "&breakPoint=0&hash=" + text + "&size=" + size,
      content);
  EXPECT_EQ(chunk.Status(), 0) << chunk.body;
  if (hash != nullptr) *hash = chunk.File()["hash"].asString();
  return fid;
}

Json::Value RemoteWorld::Entry(const std::string& name, int64_t parent) const {
  const kvtest::Reply r = Http().Get("/kvup-control/tree?account=alice");
  for (const Json::Value& e : r.json["data"]["entries"]) {
    if (e["name"].asString() == name && (parent == -1 || e["pid"].asInt64() == parent)) return e;
  }
  return Json::Value();
}

bool RemoteWorld::Exists(int64_t id) const {
  const kvtest::Reply r = Http().Get("/kvup-control/tree?account=alice");
  for (const Json::Value& e : r.json["data"]["entries"]) {
    if (e["id"].asInt64() == id) return true;
  }
  return false;
}

void RemoteWorld::AddFault(const std::string& rule) const {
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults", rule).Status(), 0);
}

int64_t RemoteWorld::Seen(const std::string& rule) const {
  const kvtest::Reply r = Http().Get("/kvup-control/faults");
  for (const Json::Value& v : r.json["data"]["rules"]) {
    if (v["rule"].asString() == rule) return v["seen"].asInt64();
  }
  return -1;
}

}  // namespace pipetest
