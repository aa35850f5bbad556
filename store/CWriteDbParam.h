// One database write job's parameter: the file and the statements to run in
// one transaction. Owned by its job, which frees it when it ends.
#pragma once

#include <string>

struct CWriteDbParam {
  std::string dbPath;
  std::string sql;  // one or more statements, each ending in ';'
};
