// Starts the worker of every manager the way kvup does, leaves them all busy
// and returns from main, so that the process-wide managers are destroyed at
// exit with their workers still running. Usage: kvup-exit-probe USER_DATA_DIR
#include <curl/curl.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "FTL/CFPoolMgr.h"
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
  }
};

// Five fixed threads like the digest and directory pools, kept busy.
class BusyPoolMgr : public FTL::CFPoolMgr<ProbeParam> {
 public:
  BusyPoolMgr() : CFPoolMgr(5, 5) {}
  static BusyPoolMgr& Instance() { return ProcessInstance<BusyPoolMgr>(); }
  void Add() { Submit(new BusyJob, 0); }
};

workertest::RoundsMgr& Rounds() {
  static workertest::RoundsMgr instance;
  return instance;
}

workertest::WaitingMgr& Waiting() {
  static workertest::WaitingMgr instance;
  return instance;
}

// Keeps the txlog file locked from a second connection, so that the writer's
// batch is still retrying when the process ends.
struct TxlogLock {
  explicit TxlogLock(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK)
      sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
  }
  ~TxlogLock() { sqlite3_close_v2(db); }
  sqlite3* db = nullptr;
};

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

int Fail(const char* what) {
  std::fprintf(stderr, "kvup-exit-probe: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: kvup-exit-probe USER_DATA_DIR");
  static log4cplus::Initializer logInit;
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  root.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
  root.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender(true, true)));

  // The order of kvup's start-up: the options, the link, the writer, the storage, the rest.
  LaunchOptions::Current().linkPort = 0;
  // As in kvup, libcurl (and with it OpenSSL) lives until the workers are gone.
  curl_global_init(CURL_GLOBAL_ALL);
  std::atexit(curl_global_cleanup);
  COptions& options = COptions::Instance();
  ClientInterfaceMgr::Instance().Start();
  CWriteDbMgr::Instance().Start();
  options.m_userDataOverride = argv[1];
  if (!options.LoadStorage()) return Fail("storage failed");
  if (!options.FindUser()) options.AddUser();
  ComputeShaMgr::Instance().Start();
  TravelDirMgr::Instance().Start();
  CompareFileMgr::Instance().Start();
  MiscToolMgr::Instance().Start();
  CUpldThreadMgr::Instance().Start();
  BusyPoolMgr::Instance().Start();
  for (int i = 0; i < 8; ++i) BusyPoolMgr::Instance().Add();  // five run, three wait
  Rounds().blockInRequest = true;
  Rounds().Start();
  Rounds().SignalWork();
  Waiting().Start();

  static TxlogLock lock(options.DatabasePath(dbschema::Database::kTxlog));
  CWriteDbMgr::Instance().AddTxStatus(1);
  CWriteDbMgr::Instance().FlushTxlog();

  if (!WaitUntil([] { return Rounds().inRequest.load() && Waiting().entered.load(); }))
    return Fail("single workers did not start");
  if (!WaitUntil([] { return BusyPoolMgr::Instance().RunningThreadCount() == 5; }))
    return Fail("pool threads did not start");
  std::printf("kvup-exit-probe: every worker started\n");
  std::fflush(stdout);
  return 0;
}
