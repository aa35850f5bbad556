#include "ServiceFixture.h"

#include "pipeline/ShaDigest.h"

namespace svctest {

std::string Pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  unsigned x = seed * 2654435761u + 7;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 23);
  }
  return s;
}

std::string DigestOf(const std::string& content) {
  CShaDigest d;
  for (size_t at = 0; at < content.size(); at += kChunk)
    d.AddChunk(content.data() + at, std::min(kChunk, content.size() - at));
  return d.Finish(static_cast<int64_t>(content.size()));
}

namespace {

std::vector<std::string> WithAccounts(std::vector<std::string> extra) {
  std::vector<std::string> options = {"--session", "s1=alice", "--session", "s2=bob", "--control"};
  options.insert(options.end(), extra.begin(), extra.end());
  return options;
}

}  // namespace

ServiceTest::ServiceTest(std::vector<std::string> extra)
    : service_(WithAccounts(std::move(extra))) {}

void ServiceTest::SetUp() {
  ASSERT_TRUE(service_.Start()) << service_.error();
}

Reply ServiceTest::List(const std::string& session, int64_t pid) const {
  std::string q = "/wbx/filebackup/getSubFilesAction.json?gSessionId=" + session;
  if (pid != 0) q += "&pid=" + std::to_string(pid);
  return Http().Get(q);
}

int64_t ServiceTest::RootId(const std::string& session) const {
  return List(session).json["data"]["root"]["id"].asInt64();
}

Reply ServiceTest::CreatePath(const std::string& session, const std::string& path) const {
  return Http().PostForm("/wbx/filebackup/createPathAction.json",
                         "gSessionId=" + session + "&path=" + HttpCall::Escape(path));
}

Reply ServiceTest::Init(const std::string& session, int64_t pid, const std::string& name,
                        int64_t size, int64_t fid) const {
  std::string body = "gSessionId=" + session;
  if (fid != 0) body += "&fid=" + std::to_string(fid);
  body += "&pid=" + std::to_string(pid) + "&name=" + HttpCall::Escape(name) +
          "&size=" + std::to_string(size);
  return Http().PostForm("/wbx/filebackup/breakPointUploadInitAction.json", body);
}

Reply ServiceTest::FileInfo(const std::string& session, int64_t fid) const {
  return Http().Get("/wbx/filebackup/getFileAction.json?gSessionId=" + session +
                    "&fid=" + std::to_string(fid));
}

Reply ServiceTest::Delete(const std::string& session, int64_t fid) const {
  return Http().PostForm("/wbx/filebackup/deleteFileAction.json",
                         "gSessionId=" + session + "&fid=" + std::to_string(fid));
}

Reply ServiceTest::Chunk(const std::string& session, int64_t fid, int64_t breakPoint,
                         const std::string& hash, int64_t size, const std::string& bytes) const {
  return Http().PostChunk("gSessionId=" + session + "&fid=" + std::to_string(fid) +
                              "&breakPoint=" + std::to_string(breakPoint) + "&hash=" + hash +
                              "&size=" + std::to_string(size),
                          bytes);
}

Reply ServiceTest::SendRange(const std::string& session, int64_t fid, const std::string& content,
                             size_t from, size_t to) const {
  Reply last;
  std::string hash = DigestOf(content);
  for (size_t at = from; at < to; at += kChunk) {
    last = Chunk(session, fid, static_cast<int64_t>(at), hash, static_cast<int64_t>(content.size()),
                 content.substr(at, std::min(kChunk, to - at)));
    if (last.http != 200) break;
  }
  return last;
}

int64_t ServiceTest::Upload(const std::string& session, int64_t pid, const std::string& name,
                            const std::string& content) const {
  Reply init = Init(session, pid, name, static_cast<int64_t>(content.size()));
  if (init.Status() != 0) return 0;
  int64_t fid = init.File()["id"].asInt64();
  Reply last = SendRange(session, fid, content, 0, content.size());
  return last.http == 200 && last.File()["status"].asInt() == 1 ? fid : 0;
}

Json::Value ServiceTest::Tree(const std::string& account) const {
  return Http().Get("/kvup-control/tree?account=" + account).json["data"]["entries"];
}

Json::Value ServiceTest::TreeEntry(const std::string& account, int64_t id) const {
  for (const Json::Value& e : Tree(account))
    if (e["id"].asInt64() == id) return e;
  return Json::Value();
}

}  // namespace svctest
