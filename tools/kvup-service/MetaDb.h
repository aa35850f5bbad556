// The service's metadata: one SQLite file holding every account's tree.
//
// Table entries(id, account, pid, name, type, status, hash, size, upload_size):
//   type 0 the account's backup root, 2 a folder, 1 a file;
//   status 1 complete, 2 upload unfinished;
//   hash/size describe the complete content (content/<id> under the root);
//   upload_size is the size of an open upload (uploads/<id>), -1 when none.
// Not thread-safe: CloudStore serialises every call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

struct MetaEntry {
  int64_t id = 0;
  std::string account;
  int64_t pid = -1;
  std::string name;
  int type = 1;
  int status = 2;
  std::string hash;
  int64_t size = 0;
  int64_t uploadSize = -1;
};

class MetaDb {
 public:
  MetaDb() = default;
  ~MetaDb();
  MetaDb(const MetaDb&) = delete;
  MetaDb& operator=(const MetaDb&) = delete;

  bool Open(const std::string& path, std::string* error);

  std::optional<MetaEntry> Find(int64_t id, const std::string& account);
  std::optional<MetaEntry> FindRoot(const std::string& account);
  std::optional<MetaEntry> FindChild(const std::string& account, int64_t pid,
                                     const std::string& name);
  std::optional<MetaEntry> FindComplete(const std::string& account, const std::string& hash,
                                        int64_t size);
  std::vector<MetaEntry> Children(const std::string& account, int64_t pid);
  std::vector<MetaEntry> All(const std::string& account);
  // Sum of the complete sizes and open upload sizes of the account, leaving out
  // the open upload of `exceptId`.
  int64_t UsedBytes(const std::string& account, int64_t exceptId);

  // Inserts the entry and sets its id; false on a constraint or I/O failure.
  bool Insert(MetaEntry* entry);
  bool Update(const MetaEntry& entry);
  bool Remove(int64_t id);

 private:
  bool Exec(const char* sql);
  sqlite3_stmt* Prepare(const std::string& sql);
  std::optional<MetaEntry> One(sqlite3_stmt* st);
  std::vector<MetaEntry> Many(sqlite3_stmt* st);

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};
