// A digested file waiting for its comparison with the remote folder.
#pragma once

#include <cstdint>
#include <string>

struct ShaFileRecord {
  std::string relPath;  // below the folder it was dropped from; '\'-separated remotely
  std::string digest;
  std::string baseDir;  // baseDir + "/" + relPath is the full local path
  int64_t size = 0;
};
