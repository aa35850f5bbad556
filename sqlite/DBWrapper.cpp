#include "sqlite/DBWrapper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log/KvLog.h"

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3";
constexpr size_t kHeaderBytes = 16;

bool Contains(const char* data, size_t size, const char* needle) {
  const size_t n = std::strlen(needle);
  for (size_t i = 0; i + n <= size; ++i) {
    if (std::memcmp(data + i, needle, n) == 0) return true;
  }
  return false;
}

}  // namespace

DBWrapper::DBWrapper(const std::string& path) : m_path(path) {}

DBWrapper::~DBWrapper() {
  Close();
}

DBWrapper::FileCheck DBWrapper::CheckFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? FileCheck::kMissing : FileCheck::kUnreadable;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileCheck::kUnreadable;
  char header[kHeaderBytes];
  size_t got = 0;
  bool failed = false;
  while (got < kHeaderBytes) {
    const ssize_t n = ::read(fd, header + got, kHeaderBytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (failed) return FileCheck::kUnreadable;
  return Contains(header, got, kSqliteMagic) ? FileCheck::kSqlite : FileCheck::kNotSqlite;
}

bool DBWrapper::Open() {
  if (m_db != nullptr) Close();
  switch (CheckFile(m_path)) {
    case FileCheck::kUnreadable:
      m_error = "File could not be read";
      return false;
    case FileCheck::kNotSqlite:
      m_error = "File is not a SQLite 3 database";
      return false;
    case FileCheck::kMissing:
    case FileCheck::kSqlite:
      break;
  }
  m_error = "no error";
  if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    m_error = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
    sqlite3_close(m_db);
    m_db = nullptr;
    return false;
  }
  if (!ExecPragma("PRAGMA empty_result_callbacks = ON;")) return false;
  if (!ExecPragma("PRAGMA show_datatypes = ON;")) return false;
  m_used = 0;
  return true;
}

void DBWrapper::SetBusyWait(int ms) {
  if (m_db != nullptr) sqlite3_busy_timeout(m_db, ms);
}

bool DBWrapper::ExecPragma(const char* text) {
  char* message = nullptr;
  if (sqlite3_exec(m_db, text, nullptr, nullptr, &message) == SQLITE_OK) return true;
  m_error = message != nullptr ? message : sqlite3_errmsg(m_db);
  sqlite3_free(message);
  return false;
}

bool DBWrapper::executeSQL(const std::string& text) {
  if (m_db == nullptr) return false;
  m_used = 1;
  char* message = nullptr;
  if (sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  m_error = message != nullptr ? message : sqlite3_errmsg(m_db);
  KV_DEBUG("SQLITE", "DBWrapper::executeSQL: %s", m_error.c_str());
  sqlite3_free(message);
  return false;
}

void DBWrapper::Query(const std::string& text) {
  if (text.empty()) return;
  m_columns.clear();
  m_rows.clear();
  if (m_db == nullptr) return;
  const char* rest = text.c_str();
  const char* const end = rest + text.size();
  while (rest < end) {
    const char* next = RunOneStatement(rest, static_cast<int>(end - rest));
    // A statement that consumed nothing would be parsed again forever.
    if (next == nullptr || next <= rest) break;
    rest = next;
  }
}

const char* DBWrapper::RunOneStatement(const char* sql, int length) {
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(m_db, sql, length, &statement, &tail);
  if (rc != SQLITE_OK || statement == nullptr) {
    sqlite3_finalize(statement);
    return tail;
  }
  m_used = 1;
  bool first = true;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    if (first) {
      const int count = sqlite3_column_count(statement);
      for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(statement, i);
        m_columns.emplace_back(name != nullptr ? name : "");
      }
      first = false;
    }
    CollectRow(statement);
  }
  sqlite3_finalize(statement);
  return tail;
}

void DBWrapper::CollectRow(sqlite3_stmt* statement) {
  Row row;
  const int count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    if (sqlite3_column_type(statement, i) == SQLITE_NULL) continue;
    const unsigned char* value = sqlite3_column_text(statement, i);
    const int bytes = sqlite3_column_bytes(statement, i);
    row.emplace_back(value != nullptr ? reinterpret_cast<const char*>(value) : "",
                     static_cast<size_t>(bytes));
  }
  if (!row.empty()) m_rows.push_back(std::move(row));
}

void DBWrapper::Close() {
  if (m_db != nullptr) {
    // Nothing ran on this connection: make sure no transaction stays open.
    if (m_used == 0)
      sqlite3_exec(m_db, "ROLLBACK TRANSACTION RESTOREPOINT;", nullptr, nullptr, nullptr);
    m_used = 0;
    sqlite3_close(m_db);
    m_db = nullptr;
  }
  m_columns.clear();
  m_rows.clear();
}
