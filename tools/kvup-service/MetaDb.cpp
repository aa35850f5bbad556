#include "tools/kvup-service/MetaDb.h"

#include <sqlite3.h>

#include "log/KvLog.h"

namespace {

const char* kLogger = "kvup-service";
const char* kColumns = "id, account, pid, name, type, status, hash, size, upload_size";

// A cached statement, made ready for its next use when the call is done.
struct Statement {
  sqlite3_stmt* st;
  ~Statement() {
    if (st == nullptr) return;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
  }
};

void BindText(sqlite3_stmt* st, int index, const std::string& text) {
  sqlite3_bind_text(st, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

MetaEntry Read(sqlite3_stmt* st) {
  MetaEntry e;
  e.id = sqlite3_column_int64(st, 0);
  e.account = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
  e.pid = sqlite3_column_int64(st, 2);
  e.name = reinterpret_cast<const char*>(sqlite3_column_text(st, 3));
  e.type = sqlite3_column_int(st, 4);
  e.status = sqlite3_column_int(st, 5);
  e.hash = reinterpret_cast<const char*>(sqlite3_column_text(st, 6));
  e.size = sqlite3_column_int64(st, 7);
  e.uploadSize = sqlite3_column_int64(st, 8);
  return e;
}

std::string Select(const char* where) {
  return std::string("SELECT ") + kColumns + " FROM entries WHERE " + where;
}

}  // namespace

MetaDb::~MetaDb() {
  for (auto& [sql, st] : statements_) sqlite3_finalize(st);
  sqlite3_close(db_);
}

bool MetaDb::Open(const std::string& path, std::string* error) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    *error = db_ ? sqlite3_errmsg(db_) : "out of memory";
    return false;
  }
  // WAL without a sync per commit: commits happen at init and completion only.
  bool ok =
      Exec("PRAGMA journal_mode=WAL;") && Exec("PRAGMA synchronous=NORMAL;") &&
      Exec(
          "CREATE TABLE IF NOT EXISTS entries(id INTEGER PRIMARY KEY AUTOINCREMENT,"
          " account TEXT NOT NULL, pid INTEGER NOT NULL, name TEXT NOT NULL,"
          " type INTEGER NOT NULL, status INTEGER NOT NULL, hash TEXT NOT NULL,"
          " size INTEGER NOT NULL, upload_size INTEGER NOT NULL);") &&
      Exec("CREATE UNIQUE INDEX IF NOT EXISTS entries_by_name ON entries(account, pid, name);") &&
      // The first chunk's look-up of held content (FindComplete): without it every
      // upload scanned all the account's entries, quadratic over a large batch.
      Exec("CREATE INDEX IF NOT EXISTS entries_by_content ON entries(account, hash, size);");
  if (!ok) *error = sqlite3_errmsg(db_);
  return ok;
}

bool MetaDb::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  KV_ERROR(kLogger, "SQL failed: %s (%s)", sql, message ? message : "");
  sqlite3_free(message);
  return false;
}

// Every chunk looks its file up: statements are compiled once and kept.
sqlite3_stmt* MetaDb::Prepare(const std::string& sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    KV_ERROR(kLogger, "SQL prepare failed: %s (%s)", sql.c_str(), sqlite3_errmsg(db_));
    sqlite3_finalize(st);
    return nullptr;
  }
  statements_.emplace(sql, st);
  return st;
}

std::optional<MetaEntry> MetaDb::One(sqlite3_stmt* st) {
  if (st != nullptr && sqlite3_step(st) == SQLITE_ROW) return Read(st);
  return std::nullopt;
}

std::vector<MetaEntry> MetaDb::Many(sqlite3_stmt* st) {
  std::vector<MetaEntry> out;
  while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) out.push_back(Read(st));
  return out;
}

std::optional<MetaEntry> MetaDb::Find(int64_t id, const std::string& account) {
  Statement s{Prepare(Select("id = ?1 AND account = ?2;"))};
  if (s.st == nullptr) return std::nullopt;
  sqlite3_bind_int64(s.st, 1, id);
  BindText(s.st, 2, account);
  return One(s.st);
}

std::optional<MetaEntry> MetaDb::FindRoot(const std::string& account) {
  Statement s{Prepare(Select("account = ?1 AND type = 0;"))};
  if (s.st == nullptr) return std::nullopt;
  BindText(s.st, 1, account);
  return One(s.st);
}

std::optional<MetaEntry> MetaDb::FindChild(const std::string& account, int64_t pid,
                                           const std::string& name) {
  Statement s{Prepare(Select("account = ?1 AND pid = ?2 AND name = ?3;"))};
  if (s.st == nullptr) return std::nullopt;
  BindText(s.st, 1, account);
  sqlite3_bind_int64(s.st, 2, pid);
  BindText(s.st, 3, name);
  return One(s.st);
}

std::optional<MetaEntry> MetaDb::FindComplete(const std::string& account, const std::string& hash,
                                              int64_t size) {
  Statement s{Prepare(
      Select("account = ?1 AND type = 1 AND status = 1 AND hash = ?2 AND size = ?3 LIMIT 1;"))};
  if (s.st == nullptr) return std::nullopt;
  BindText(s.st, 1, account);
  BindText(s.st, 2, hash);
  sqlite3_bind_int64(s.st, 3, size);
  return One(s.st);
}

std::vector<MetaEntry> MetaDb::Children(const std::string& account, int64_t pid) {
  Statement s{Prepare(Select("account = ?1 AND pid = ?2 AND type <> 0 ORDER BY id;"))};
  if (s.st == nullptr) return {};
  BindText(s.st, 1, account);
  sqlite3_bind_int64(s.st, 2, pid);
  return Many(s.st);
}

std::vector<MetaEntry> MetaDb::All(const std::string& account) {
  Statement s{Prepare(Select("account = ?1 ORDER BY id;"))};
  if (s.st == nullptr) return {};
  BindText(s.st, 1, account);
  return Many(s.st);
}

int64_t MetaDb::UsedBytes(const std::string& account, int64_t exceptId) {
  Statement s{
      Prepare("SELECT COALESCE(SUM(CASE WHEN status = 1 THEN size ELSE 0 END"
              " + CASE WHEN upload_size > 0 AND id <> ?2 THEN upload_size ELSE 0 END), 0)"
              " FROM entries WHERE account = ?1 AND type = 1;")};
  if (s.st == nullptr) return 0;
  BindText(s.st, 1, account);
  sqlite3_bind_int64(s.st, 2, exceptId);
  return sqlite3_step(s.st) == SQLITE_ROW ? sqlite3_column_int64(s.st, 0) : 0;
}

bool MetaDb::Insert(MetaEntry* e) {
  Statement s{
      Prepare("INSERT INTO entries(account, pid, name, type, status, hash, size, upload_size)"
              " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8);")};
  if (s.st == nullptr) return false;
  BindText(s.st, 1, e->account);
  sqlite3_bind_int64(s.st, 2, e->pid);
  BindText(s.st, 3, e->name);
  sqlite3_bind_int(s.st, 4, e->type);
  sqlite3_bind_int(s.st, 5, e->status);
  BindText(s.st, 6, e->hash);
  sqlite3_bind_int64(s.st, 7, e->size);
  sqlite3_bind_int64(s.st, 8, e->uploadSize);
  if (sqlite3_step(s.st) != SQLITE_DONE) {
    KV_ERROR(kLogger, "insert of %s failed: %s", e->name.c_str(), sqlite3_errmsg(db_));
    return false;
  }
  e->id = sqlite3_last_insert_rowid(db_);
  return true;
}

bool MetaDb::Update(const MetaEntry& e) {
  Statement s{Prepare(
      "UPDATE entries SET status = ?2, hash = ?3, size = ?4, upload_size = ?5 WHERE id = ?1;")};
  if (s.st == nullptr) return false;
  sqlite3_bind_int64(s.st, 1, e.id);
  sqlite3_bind_int(s.st, 2, e.status);
  BindText(s.st, 3, e.hash);
  sqlite3_bind_int64(s.st, 4, e.size);
  sqlite3_bind_int64(s.st, 5, e.uploadSize);
  bool ok = sqlite3_step(s.st) == SQLITE_DONE;
  if (!ok)
    KV_ERROR(kLogger, "update of %lld failed: %s", static_cast<long long>(e.id),
             sqlite3_errmsg(db_));
  return ok;
}

bool MetaDb::Remove(int64_t id) {
  Statement s{Prepare("DELETE FROM entries WHERE id = ?1;")};
  if (s.st == nullptr) return false;
  sqlite3_bind_int64(s.st, 1, id);
  return sqlite3_step(s.st) == SQLITE_DONE;
}
