// A file ready to upload, as the upload queue holds it.
#pragma once

#include <cstdint>
#include <string>

struct BackupFileRecord {
  std::string path;  // full local path
  int64_t pid = -2;  // remote folder that receives the file; -2: none determined
  int64_t fid = 0;   // remote file the upload continues or replaces; 0: a new file
  int64_t size = 0;
  int32_t resumed = 0;   // 1 for records reloaded from the resume table
  int32_t reserved = 0;  // handed unchanged to the upload task
  std::string sha;
};
