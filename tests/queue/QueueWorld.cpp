#include "QueueWorld.h"

#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "pipeline/ShaDigest.h"
#include "session/COptions.h"
#include "session/ServiceConfig.h"
#include "sqlite/DbSchema.h"
#include "upload/CUpldThreadMgr.h"

namespace queuetest {

void QueueWorld::SetUp() {
  curl_global_init(CURL_GLOBAL_ALL);
  COptions& options = COptions::Instance();
  savedRetries_ = options.m_retryCount;
  options.m_userId = 7;
  options.m_dataRoot = dir_.Sub("data");
  options.m_workState = WorkState::kReady;
  options.m_busy = BusyState::kIdle;
  std::filesystem::create_directories(dir_.Sub("data/kvd"));
  for (auto db : {dbschema::Database::kTxlog, dbschema::Database::kLog})
    ASSERT_TRUE(dbschema::CreateTables(db, options.DatabasePath(db)));
}

void QueueWorld::Start(std::vector<std::string> serviceOptions) {
  std::vector<std::string> args = {"--session", "s1=alice", "--control"};
  args.insert(args.end(), serviceOptions.begin(), serviceOptions.end());
  service_ = std::make_unique<kvtest::StandInService>(args);
  ASSERT_TRUE(service_->Start()) << service_->error();
  COptions& options = COptions::Instance();
  service_->SignIn(options);

  dropWindow_ = platform::CreateWindowHandle(&dropLog_);
  notifyWindow_ = platform::CreateWindowHandle(&queueWindow_);
  ASSERT_NE(dropWindow_, nullptr);
  ASSERT_NE(notifyWindow_, nullptr);
  ASSERT_TRUE(writer_.Start());
  deleter_ = std::make_unique<MiscToolMgr>(options);
  deleter_->SetWindow(dropWindow_);
  ASSERT_EQ(deleter_->Start(), 0);
  ASSERT_TRUE(CUpldThreadMgr::Instance().Start());

  UploadQueue::Services services{&options, &store_, &writer_, deleter_.get()};
  queue_ = std::make_unique<UploadQueue>(view_, link_, services);
  queue_->SetNotifyWindow(notifyWindow_);
  queue_->SetDropWindow(dropWindow_);
  queueWindow_.queue = queue_.get();
}

void QueueWorld::TearDown() {
  // Jobs first: the queue deletes the controllers they share.
  if (queue_) queue_->quitTasks();
  CUpldThreadMgr::Instance().Stop();
  queueWindow_.queue = nullptr;
  queue_.reset();
  if (deleter_) {
    deleter_->RequestStop();
    deleter_->CloseThread();
  }
  writer_.FlushDrainAndStop();
  platform::MessageQueue::Instance().Reset();
  ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  COptions::Instance().m_retryCount = savedRetries_;
  COptions::Instance().m_workState = WorkState::kNotStarted;
  COptions::Instance().m_busy = BusyState::kIdle;
  curl_global_cleanup();
}

std::string QueueWorld::MakeFile(const std::string& name, size_t size) {
  std::string content(size, '\0');
  std::mt19937 random(static_cast<unsigned>(std::hash<std::string>()(name)));
  for (char& c : content) c = static_cast<char>(random());
  return dir_.WriteFile("files/" + name, content);
}

void QueueWorld::QueueFile(const std::string& path, int64_t pid, int64_t fid) {
  std::string digest;
  int64_t size = 0;
  ASSERT_TRUE(CShaDigest::OfFile(path, &digest, &size));
  store_.addBackupFile(digest, fid, path, pid, size);
  store_.addRemainingFiles(1);
}

int64_t QueueWorld::RootId() const {
  return Http()
      .Get("/wbx/filebackup/getSubFilesAction.json?gSessionId=s1")
      .json["data"]["root"]["id"]
      .asInt64();
}

int64_t QueueWorld::UploadDirectly(const std::string& name, const std::string& content) const {
  CShaDigest digest;
  for (size_t at = 0; at < content.size(); at += CShaDigest::kChunkSize)
    digest.AddChunk(content.data() + at, std::min(CShaDigest::kChunkSize, content.size() - at));
  const std::string hash = digest.Finish(static_cast<int64_t>(content.size()));
  const std::string size = std::to_string(content.size());
  const kvtest::Reply init =
      Http().PostForm("/wbx/filebackup/breakPointUploadInitAction.json",
                      "gSessionId=s1&pid=" + std::to_string(RootId()) +
                          "&name=" + kvtest::HttpCall::Escape(name) + "&size=" + size);
  const int64_t fid = init.File()["id"].asInt64();
  const kvtest::Reply chunk = Http().PostChunk(
      "gSessionId=s1&fid=" + std::to_string(fid) + "&breakPoint=0&hash=" + hash + "&size=" + size,
      content);
  EXPECT_EQ(chunk.Status(), 0) << chunk.body;
  return fid;
}

Json::Value QueueWorld::Entry(int64_t id) const {
  const kvtest::Reply r = Http().Get("/kvup-control/tree?account=alice");
  for (const Json::Value& e : r.json["data"]["entries"])
    if (e["id"].asInt64() == id) return e;
  return Json::Value();
}

void QueueWorld::AddFault(const std::string& rule) const {
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults", rule).Status(), 0);
}

void QueueWorld::ClearFaults() const {
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults/clear", "").Status(), 0);
}

std::vector<DBWrapper::Row> QueueWorld::Rows(dbschema::Database db,
                                             const std::string& query) const {
  DBWrapper w(COptions::Instance().DatabasePath(db));
  EXPECT_TRUE(w.Open());
  w.Query(query);
  return w.Rows();
}

}  // namespace queuetest
