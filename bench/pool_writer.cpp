// Throughput of the job pool (empty jobs on one and five threads) and of the
// database writer (history rows one per job, resume rows through its journal),
// each beside the same work done inline: a plain loop calling the jobs, and a
// plain loop of sqlite3 statements on the same file.
// Usage: bench_pool_writer [POOL_JOBS] [HISTORY_ROWS] [RESUME_ROWS]
#include <log4cplus/initializer.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "FTL/CFThreadPool.h"
#include "session/COptions.h"
#include "sqlite/DbSchema.h"
#include "store/CWriteDbMgr.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPlainBatch = 10;  // statements per transaction of the plain loop

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct EmptyParam {};

class EmptyJob : public FTL::CFJobBase<EmptyParam*> {
 public:
  EmptyJob() : CFJobBase(new EmptyParam) {}
  void Run() override {}
};

double PoolRate(int threads, long jobs) {
  FTL::CFThreadPool<EmptyParam*> pool(nullptr);
  pool.Start(threads, threads);
  const auto start = Clock::now();
  for (long i = 0; i < jobs; ++i) pool.QueueJob(new EmptyJob);
  pool.WaitJobsDone(0xFFFFFFFEu);
  return jobs / Seconds(start);
}

double InlineJobRate(long jobs) {
  const auto start = Clock::now();
  for (long i = 0; i < jobs; ++i) {
    auto* job = new EmptyJob;
    asm volatile("" : : "r"(job) : "memory");  // keeps the allocation
    job->Prepare();
    job->Run();
    job->Finish();
  }
  return jobs / Seconds(start);
}

// The writer's work without the writer: open, one transaction of `batch`
// statements, close, as every job does.
double PlainSqliteRate(const std::string& path, long rows, int batch,
                       std::string (*statement)(long)) {
  const auto start = Clock::now();
  for (long i = 0; i < rows; i += batch) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return 0;
    std::string sql = "BEGIN TRANSACTION;";
    for (long j = i; j < i + batch && j < rows; ++j) sql += statement(j);
    sql += "COMMIT TRANSACTION;";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  return rows / Seconds(start);
}

std::string LogStatement(long i) {
  return "INSERT INTO log VALUES(NULL,'plain" + std::to_string(i) + ".txt','/bench',1,1,1);";
}

std::string UndoStatement(long i) {
  return "INSERT INTO undo_files VALUES(NULL, 100,0,'d'," + std::to_string(i) +
         ",1,'/bench','plain.txt',1,0,1,0,1);";
}

long RowCount(const std::string& path, const char* table) {
  sqlite3* db = nullptr;
  long n = -1;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    const std::string q = std::string("SELECT COUNT(*) FROM ") + table + ";";
    if (sqlite3_prepare_v2(db, q.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return n;
}

void PrintPair(const char* what, double mine, const char* plainWhat, double plain) {
  std::printf("%-34s %12.0f /s   %-26s %12.0f /s   ratio %.3f\n", what, mine, plainWhat, plain,
              plain > 0 ? mine / plain : 0.0);
}

long Arg(int argc, char** argv, int i, long fallback) {
  return argc > i ? std::atol(argv[i]) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  log4cplus::Initializer logInit;  // unconfigured: the writer's lines go nowhere
  const long poolJobs = Arg(argc, argv, 1, 200000);
  const long historyRows = Arg(argc, argv, 2, 300);
  const long resumeRows = Arg(argc, argv, 3, 3000);

  const double inlineRate = InlineJobRate(poolJobs);
  PrintPair("pool, 1 thread, empty jobs", PoolRate(1, poolJobs), "inline calls", inlineRate);
  PrintPair("pool, 5 threads, empty jobs", PoolRate(5, poolJobs), "inline calls", inlineRate);

  char folder[] = "/tmp/kvup-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  COptions::Instance().m_userId = 1;
  COptions::Instance().m_dataRoot = folder;
  std::filesystem::create_directories(std::string(folder) + "/kvd");
  const std::string logDb = COptions::Instance().DatabasePath(dbschema::Database::kLog);
  const std::string txlogDb = COptions::Instance().DatabasePath(dbschema::Database::kTxlog);
  if (!dbschema::CreateTables(dbschema::Database::kLog, logDb) ||
      !dbschema::CreateTables(dbschema::Database::kTxlog, txlogDb))
    return 1;

  CWriteDbMgr writer;
  writer.Start();
  auto start = Clock::now();
  for (long i = 0; i < historyRows; ++i) writer.AddLog(1, 1, "row.txt", "/bench");
  writer.Drain(600000);
  const double historyRate = historyRows / Seconds(start);
  const long historyWritten = RowCount(logDb, "log");
  PrintPair("writer, history rows, one per job", historyRate, "sqlite3 loop, one per tx",
            PlainSqliteRate(logDb, historyRows, 1, LogStatement));

  start = Clock::now();
  for (long i = 0; i < resumeRows; ++i)
    writer.AddUndoFile(i, 1, "row" + std::to_string(i), "/bench/none", "d", 100, 0);
  writer.FlushTxlog();
  writer.Drain(600000);
  const double resumeRate = resumeRows / Seconds(start);
  const long resumeWritten = RowCount(txlogDb, "undo_files");
  PrintPair("writer, resume rows, journal", resumeRate, "sqlite3 loop, ten per tx",
            PlainSqliteRate(txlogDb, resumeRows, kPlainBatch, UndoStatement));
  writer.StopPool();
  std::printf("writer rows written: history %ld of %ld, resume %ld of %ld\n", historyWritten,
              historyRows, resumeWritten, resumeRows);
  std::filesystem::remove_all(folder);
  return 0;
}
