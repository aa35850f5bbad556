// A thin wrapper over one SQLite connection: open with the header checks,
// run statements, collect query rows as text, close. One thread at a time
// uses a wrapper; each user constructs its own and never shares it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

class DBWrapper {
 public:
  using Row = std::vector<std::string>;

  // What a look at a file's first bytes says about it.
  enum class FileCheck { kMissing, kSqlite, kUnreadable, kNotSqlite };

  explicit DBWrapper(const std::string& path);
  ~DBWrapper();
  DBWrapper(const DBWrapper&) = delete;
  DBWrapper& operator=(const DBWrapper&) = delete;

  bool Open();
  // Once open: a statement meeting another connection's lock waits up to ms
  // for it to go instead of failing at once (reads would come back empty).
  void SetBusyWait(int ms);
  // Runs one or more statements that return no rows.
  bool executeSQL(const std::string& text);
  // Runs one or more statements and collects their rows: NULL values are left
  // out and rows of NULLs dropped. Failures are not reported.
  void Query(const std::string& text);
  std::vector<Row> Rows() const { return m_rows; }
  void Close();

  const std::vector<std::string>& Columns() const { return m_columns; }
  const std::string& Error() const { return m_error; }
  bool IsOpen() const { return m_db != nullptr; }

  // Reads the first 16 bytes of an existing file and looks for the SQLite
  // header in them.
  static FileCheck CheckFile(const std::string& path);

 private:
  bool ExecPragma(const char* text);
  // Prepares and steps the first statement of [sql, sql + length); returns
  // where the next statement starts, or nullptr when nothing could be parsed.
  const char* RunOneStatement(const char* sql, int length);
  void CollectRow(sqlite3_stmt* statement);

  std::vector<Row> m_rows;
  std::vector<std::string> m_columns;
  std::string m_error;
  uint8_t m_used = 0;
  std::string m_path;
  sqlite3* m_db = nullptr;
};
