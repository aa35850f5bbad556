#include "sqlite/DbSchema.h"

#include "sqlite/DBWrapper.h"

namespace dbschema {
namespace {

const char kConfigTable[] =
    "CREATE TABLE IF NOT EXISTS config(config VARCHAR(260)\tPRIMARY KEY ,value VARCHAR(260)  "
    ",UNIQUE (config));";

}  // namespace

const std::string& Definition(Database db) {
  static const std::string config =
      "CREATE TABLE IF NOT EXISTS user(id INTEGER PRIMARY KEY , name VARCHAR(260) COLLATE "
      "NOCASE, UNIQUE (id));";
  static const std::string log =
      std::string(kConfigTable) +
      "CREATE TABLE IF NOT EXISTS log(id INTEGER PRIMARY KEY, name\tVARCHAR(260)\tCOLLATE NOCASE, "
      "path\tVARCHAR(260)\tCOLLATE NOCASE\t,size\tINTEGER, type\tTINYINT, userid INTERGER, UNIQUE "
      "(id));";
  static const std::string txlog =
      std::string(kConfigTable) +
      "CREATE TABLE IF NOT EXISTS last_tx_status(id INTERGER PRIMARY KEY, userid INTERGER, "
      "txstatus TINYINT, UNIQUE (id));"
      "CREATE TABLE IF NOT EXISTS drag_dir(id INTEGER PRIMARY KEY , path VARCHAR(260) COLLATE "
      "NOCASE, userid INTERGER, UNIQUE (id));"
      "CREATE TABLE IF NOT EXISTS undo_files(id INTEGER PRIMARY KEY ,size INT , position INT, "
      " sha VARCHAR(128), fid INT, pid\tINT, path VARCHAR(260) COLLATE NOCASE, name "
      "VARCHAR(260)\tCOLLATE NOCASE,"
      " ctime\tINT, mtime INT, type TINYINT, split_num TINYINT, userid INTERGER, UNIQUE (id));";
  switch (db) {
    case Database::kConfig:
      return config;
    case Database::kTxlog:
      return txlog;
    case Database::kLog:
      break;
  }
  return log;
}

const char* LastTable(Database db) {
  switch (db) {
    case Database::kConfig:
      return "user";
    case Database::kTxlog:
      return "undo_files";
    case Database::kLog:
      break;
  }
  return "log";
}

const char* RelativePath(Database db) {
  switch (db) {
    case Database::kConfig:
      return "kvd/config";
    case Database::kTxlog:
      return "kvd/txlog";
    case Database::kLog:
      break;
  }
  return "kvd/log";
}

bool CreateTables(Database db, const std::string& path) {
  DBWrapper wrapper(path);
  if (!wrapper.IsOpen() && !wrapper.Open()) {
    wrapper.Close();
    return false;
  }
  wrapper.Query(std::string("SELECT * FROM sqlite_master WHERE type='table' and name='") +
                LastTable(db) + "';");
  if (!wrapper.Rows().empty()) {
    wrapper.Close();
    return true;
  }
  const bool created = wrapper.executeSQL(Definition(db));
  wrapper.Close();
  return created;
}

}  // namespace dbschema
