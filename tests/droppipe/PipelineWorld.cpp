#include "PipelineWorld.h"

#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/Event.h"
#include "session/COptions.h"
#include "session/ServiceConfig.h"
#include "sqlite/DbSchema.h"
#include "upload/CUpldThreadMgr.h"

namespace pipetest {

platform::LRESULT ObservedHub::HandleMessage(platform::UINT msg, platform::WPARAM w,
                                             platform::LPARAM l) {
  const platform::LRESULT result = PipelineHub::HandleMessage(msg, w, l);
  ++delivered;
  if (msg == msg::WM_DIGEST_DONE)
    feedAfterResult.push_back({Pipeline().RunningDigestJobs(), store->PendingDigestCount()});
  return result;
}

void PipelineWorld::SetUp() {
  curl_global_init(CURL_GLOBAL_ALL);
  COptions& options = COptions::Instance();
  savedRetries_ = options.m_retryCount;
  options.m_userId = 7;
  options.m_dataRoot = dir_.Sub("data");
  options.m_workState = WorkState::kReady;
  options.m_busy = BusyState::kIdle;
  options.m_lastTxStatus = BusyState::kNothingRecorded;
  std::filesystem::create_directories(dir_.Sub("data/kvd"));
  for (auto db :
       {dbschema::Database::kConfig, dbschema::Database::kTxlog, dbschema::Database::kLog})
    ASSERT_TRUE(dbschema::CreateTables(db, options.DatabasePath(db)));
}

void PipelineWorld::Start(std::vector<std::string> serviceOptions) {
  std::vector<std::string> args = {"--session", "s1=alice", "--control"};
  args.insert(args.end(), serviceOptions.begin(), serviceOptions.end());
  service_ = std::make_unique<kvtest::StandInService>(args);
  ASSERT_TRUE(service_->Start()) << service_->error();
  COptions& options = COptions::Instance();
  options.ClearCookies();
  options.AddCookie({"127.0.0.1", "GSESSIONID", "s1", "/"});
  options.AddCookie({"127.0.0.1", "cookieUserAccount", "alice", "/"});
  options.BuildCookieHeader();
  options.BuildSessionParam();
  // As at start-up: the account has its row, so going online finds the same
  // user id that the resume rows were written with.
  if (!options.FindUser()) options.AddUser();
  ASSERT_NE(options.m_userId, 0);
  ServiceConfig::Instance().SetBaseUrl(service_->BaseUrl());

  ASSERT_TRUE(writer_.Start());
  ASSERT_TRUE(digests_.Start());
  walks_ = std::make_unique<TravelDirMgr>(store_, options);
  ASSERT_TRUE(walks_->Start());
  compare_ = std::make_unique<CompareFileMgr>(store_, options);
  compare_->SetClock([this] { return now_.load(); });
  maintenance_ = std::make_unique<MiscToolMgr>(options);
  ASSERT_TRUE(CUpldThreadMgr::Instance().Start());
  // The upload manager is process-wide: an earlier test may have left it paused.
  CUpldThreadMgr::Instance().Resume();
  ASSERT_TRUE(CUpldThreadMgr::Instance().Accepting());

  DropPipeline::Services services;
  services.options = &options;
  services.store = &store_;
  services.writer = &writer_;
  services.digests = &digests_;
  services.walks = walks_.get();
  services.compare = compare_.get();
  services.maintenance = maintenance_.get();
  services.uploads = &CUpldThreadMgr::Instance();
  services.sendStatus = [this](int32_t code) { codes_.push_back(code); };
  services.clearPeerReady = [this] { ++peerForgotten_; };
  UploadQueue::Services queueServices{&options, &store_, &writer_, maintenance_.get()};
  hub_ = std::make_unique<ObservedHub>(view_, queueView_, services, queueServices);
  hub_->store = &store_;
  ASSERT_NE(hub_->Window(), nullptr);
  compare_->SetWindow(hub_->Window());
  maintenance_->SetWindow(hub_->Window());
  ASSERT_EQ(compare_->Start(), 0);
  ASSERT_EQ(maintenance_->Start(), 0);
  ASSERT_EQ(platform::WaitForSingleObject(compare_->readyEvent, 20000), platform::kWaitObject0);
}

void PipelineWorld::TearDown() {
  if (hub_ && !Pipeline().Closing()) Pipeline().closeSequence();
  CUpldThreadMgr::Instance().Stop();
  hub_.reset();
  compare_.reset();
  maintenance_.reset();
  walks_.reset();
  digests_.Stop();
  writer_.FlushDrainAndStop();
  platform::MessageQueue::Instance().Reset();
  ServiceConfig::Instance().SetBaseUrl(ServiceConfig::kDefaultUrl);
  COptions& options = COptions::Instance();
  options.m_retryCount = savedRetries_;
  options.m_workState = WorkState::kNotStarted;
  options.m_busy = BusyState::kIdle;
  curl_global_cleanup();
}

bool PipelineWorld::PumpQuiet(int quietMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  auto last = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - last < std::chrono::milliseconds(quietMs)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    const int before = hub_->delivered;
    platform::MessageQueue::Instance().DispatchPending();
    if (hub_->delivered != before) last = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool PipelineWorld::PumpUntilCode(int32_t code) {
  return PumpUntil([&] { return CodeCount(code) > 0; });
}

bool PipelineWorld::FireRetry() {
  if (!PumpUntil([&] { return view_.TimerRunning(DropPipeline::kTimerRetry); })) return false;
  Pipeline().OnTimer(DropPipeline::kTimerRetry);
  return true;
}

bool PipelineWorld::PumpUntilRetrying(const std::function<bool()>& done) {
  return PumpUntil([&] {
    const int32_t retry = DropPipeline::kTimerRetry;
    if (view_.TimerRunning(retry) &&
        std::chrono::steady_clock::now() - view_.startedAt[retry] >= std::chrono::milliseconds(300))
      Pipeline().OnTimer(retry);
    return done();
  });
}

int PipelineWorld::CodeCount(int32_t code) const {
  return static_cast<int>(std::count(codes_.begin(), codes_.end(), code));
}

std::string PipelineWorld::MakeFile(const std::string& name, size_t size) {
  std::string content(size, '\0');
  std::mt19937 random(static_cast<unsigned>(std::hash<std::string>()(name)));
  for (char& c : content) c = static_cast<char>(random());
  return dir_.WriteFile(name, content);
}

std::map<std::string, RemoteEntry> PipelineWorld::RemoteTree() const {
  const kvtest::Reply r = Http().Get("/kvup-control/tree?account=alice");
  std::map<int64_t, std::pair<int64_t, std::string>> parent;  // id -> pid, name
  std::map<int64_t, RemoteEntry> byId;
  for (const Json::Value& e : r.json["data"]["entries"]) {
    const int64_t id = e["id"].asInt64();
    parent[id] = {e["pid"].asInt64(), e["name"].asString()};
    byId[id] = {id, e["type"].asInt(), e["status"].asInt(), e["content"].asString()};
  }
  std::map<std::string, RemoteEntry> tree;
  for (const auto& [id, entry] : byId) {
    if (entry.type == 0) continue;
    std::string path = parent[id].second;
    for (int64_t up = parent[id].first; byId.count(up) && byId[up].type != 0; up = parent[up].first)
      path = parent[up].second + "/" + path;
    tree[path] = entry;
  }
  return tree;
}

void PipelineWorld::AddFault(const std::string& rule) const {
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults", rule).Status(), 0);
}

void PipelineWorld::ClearFaults() const {
  ASSERT_EQ(Http().PostRaw("/kvup-control/faults/clear", "").Status(), 0);
}

int64_t PipelineWorld::Seen(const std::string& rule) const {
  const kvtest::Reply r = Http().Get("/kvup-control/faults");
  for (const Json::Value& v : r.json["data"]["rules"])
    if (v["rule"].asString() == rule) return v["seen"].asInt64();
  return -1;
}

std::vector<DBWrapper::Row> PipelineWorld::Rows(dbschema::Database db,
                                                const std::string& query) const {
  DBWrapper w(COptions::Instance().DatabasePath(db));
  EXPECT_TRUE(w.Open());
  w.Query(query);
  return w.Rows();
}

}  // namespace pipetest
