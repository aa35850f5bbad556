// Starts every manager the way kvup does, with workers of each shape busy,
// hands them all to the frame's StartedWorkers and stops them through it, so
// that nothing is left for the exit net, which is strict here and aborts on a
// manager still running at exit. Named one is left out of the stop instead,
// for the net to catch.
//
// Usage: kvup-exit-probe USER_DATA_DIR [leave-pool | leave-worker]
#include <curl/curl.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "FTL/CFExitNet.h"
#include "FTL/CFPoolMgr.h"
#include "app/StartedWorkers.h"
#include "common/LogCapture.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/CompareFileMgr.h"
#include "pipeline/ComputeShaMgr.h"
#include "pipeline/MiscToolMgr.h"
#include "pipeline/TravelDirMgr.h"
#include "session/COptions.h"
#include "session/LaunchOptions.h"
#include "store/CWriteDbMgr.h"
#include "upload/CUpldThreadMgr.h"
#include "workers/TestWorkerMgrs.h"

namespace {

using Step = StartedWorkers::Step;

void Say(const char* what) {
  std::printf("kvup-exit-probe: %s\n", what);
  std::fflush(stdout);
}

int Fail(const char* what) {
  std::fprintf(stderr, "kvup-exit-probe: %s\n", what);
  return 1;
}

struct ProbeParam {
  int turns = 0;
};

// Runs until its pool stops, touching its parameter between waits.
class BusyJob : public FTL::CFJobBase<ProbeParam*> {
 public:
  BusyJob() : CFJobBase(new ProbeParam) {}
  void Run() override {
    while (WaitToContinue() == FTL::WaitContinue) {
      ++param->turns;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Say("busy job saw the stop");
  }
};

// Five fixed threads like the digest and directory pools, kept busy.
class BusyPoolMgr : public FTL::CFPoolMgr<ProbeParam> {
 public:
  BusyPoolMgr() : CFPoolMgr(5, 5) {}
  void Add() { Submit(new BusyJob, 0); }
  using CFPoolMgr::StopPool;
};

// Like the comparison worker: a round blocked in a request until it is aborted.
class BlockedWorkerMgr : public workertest::RoundsMgr {
 protected:
  void DoWork() override {
    RoundsMgr::DoWork();
    Say("busy worker's request was aborted");
  }
};

BusyPoolMgr& BusyPool() {
  return FTL::ProcessInstance<BusyPoolMgr>();
}
BlockedWorkerMgr& BlockedWorker() {
  return FTL::ProcessInstance<BlockedWorkerMgr>();
}
workertest::WaitingMgr& Waiting() {
  return FTL::ProcessInstance<workertest::WaitingMgr>();
}

// Keeps the txlog file locked from a second connection, so that the writer's
// batch is retrying when the shut-down begins.
struct TxlogLock {
  explicit TxlogLock(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK)
      sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
  }
  ~TxlogLock() { Release(); }
  void Release() {
    if (db != nullptr) sqlite3_close_v2(db);
    db = nullptr;
  }
  sqlite3* db = nullptr;
};

int CountDropRows(const std::string& path) {
  sqlite3* db = nullptr;
  int rows = -1;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_exec(
        db, "SELECT count(*) FROM drag_dir;",
        [](void* out, int, char** values, char**) {
          *static_cast<int*>(out) = std::atoi(values[0]);
          return 0;
        },
        &rows, nullptr);
  }
  sqlite3_close_v2(db);
  return rows;
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3)
    return Fail("usage: kvup-exit-probe USER_DATA_DIR [leave-pool|leave-worker]");
  const std::string leave = argc == 3 ? argv[2] : "";
  if (!leave.empty()) {
    // The net is meant to abort this run: no core file for it.
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
  }
  // Registered first, so it runs last: after every net and every destructor.
  std::atexit([] { Say("exit done"); });
  FTL::SetExitNetStrict(true);
  static log4cplus::Initializer logInit;
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  root.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender(true, true)));

  // The order of kvup's start-up: the options, the link, the writer, the
  // storage, the rest; each manager is handed over as it starts.
  LaunchOptions::Current().linkPort = 0;
  // As in kvup, libcurl (and with it OpenSSL) lives until the workers are gone.
  curl_global_init(CURL_GLOBAL_ALL);
  std::atexit(curl_global_cleanup);
  COptions& options = COptions::Instance();
  StartedWorkers workers;
  ClientInterfaceMgr::Instance().Start();
  workers.Started(ClientInterfaceMgr::Instance());
  CWriteDbMgr::Instance().Start();
  workers.Started(CWriteDbMgr::Instance());
  ComputeShaMgr::Instance().Start();
  workers.Started(ComputeShaMgr::Instance());
  options.m_userDataOverride = argv[1];
  if (!options.LoadStorage()) return Fail("storage failed");
  if (!options.FindUser()) options.AddUser();
  TravelDirMgr::Instance().Start();
  workers.Started(TravelDirMgr::Instance());
  CUpldThreadMgr::Instance().Start();
  workers.Started(CUpldThreadMgr::Instance());
  CompareFileMgr::Instance().Start();
  workers.Started(CompareFileMgr::Instance());
  MiscToolMgr::Instance().Start();
  workers.Started(MiscToolMgr::Instance());

  BusyPool().Start();
  for (int i = 0; i < 8; ++i) BusyPool().Add();  // five run, three wait
  if (leave != "leave-pool") workers.Started(Step::kWalkPool, [] { BusyPool().StopPool(); });
  BlockedWorker().blockInRequest = true;
  BlockedWorker().Start();
  BlockedWorker().SignalWork();
  if (leave != "leave-worker")
    workers.Started(Step::kComparisonJoin, [] { BlockedWorker().StopAndJoin(); });
  Waiting().Start();
  workers.Started(Step::kLink, [] { Waiting().StopAndJoin(); });

  const std::string txlog = options.DatabasePath(dbschema::Database::kTxlog);
  kvtest::LogCapture log;
  TxlogLock lock(txlog);
  CWriteDbMgr::Instance().AddDragDir("/first");
  CWriteDbMgr::Instance().FlushTxlog();

  if (!WaitUntil([] { return BlockedWorker().inRequest.load() && Waiting().entered.load(); }))
    return Fail("single workers did not start");
  if (!WaitUntil([] { return BusyPool().RunningThreadCount() == 5; }))
    return Fail("pool threads did not start");
  if (!WaitUntil([&log] { return log.Contains("database is locked", "SQLITE"); }))
    return Fail("the writer did not meet the lock");
  Say("every worker started");

  // The first batch is still retrying; the second waits in the writer until
  // the shut-down flushes it. Both must be written before the writer stops.
  CWriteDbMgr::Instance().AddDragDir("/second");
  lock.Release();
  workers.StopAll();
  Say("stopped in order");
  if (CountDropRows(txlog) != 2) return Fail("the pending statements were not written");
  return 0;
}
