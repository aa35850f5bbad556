// The three local database files and the tables each one holds.
#pragma once

#include <string>

namespace dbschema {

enum class Database { kConfig, kTxlog, kLog };

// The full definition of a database: all its CREATE statements in one text.
const std::string& Definition(Database db);
// The table that the definition creates last; its presence means the
// definition ran before.
const char* LastTable(Database db);
// Path of the database file below the data folder ("kvd/config", ...).
const char* RelativePath(Database db);

// Creates the tables of a database file unless they exist already.
bool CreateTables(Database db, const std::string& path);

}  // namespace dbschema
