#include "session/DataFolder.h"

#include <vector>

#include "log/KvLog.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "util/CommonUtils.h"

namespace datafolder {
namespace {

void LogFailure(const char* function, const std::string& argument) {
  KV_ERROR("", "%s", WindowsErrorText(function, argument).c_str());
}

bool EnsureFolder(const std::string& path) {
  if (platform::PathIsDirectory(path)) return true;
  if (platform::CreateDirectory(path)) return true;
  LogFailure("CreateDirectory", path);
  return false;
}

}  // namespace

bool CreateCacheFolder(const std::string& userData) {
  const std::string kvd = userData + "/kvd";
  return EnsureFolder(userData) && EnsureFolder(kvd) && EnsureFolder(kvd + "/cache");
}

bool RemoveFolder(const std::string& path) {
  if (!platform::PathFileExists(path)) return true;
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(path, &entries)) {
    KV_ERROR("", "Find File Error: %u, %s, %s, %s", platform::GetLastError(), path.c_str(),
             (path + "/*").c_str(), path.c_str());
    return false;
  }
  for (const platform::DirEntry& entry : entries) {
    const std::string full = path + "/" + entry.name;
    if (entry.isDirectory) {
      platform::RemoveDirectory(full);  // only empty subfolders go; the rest stays
      continue;
    }
    if (!platform::DeleteFile(full)) {
      LogFailure("DeleteFile", full);
      return false;
    }
  }
  if (platform::RemoveDirectory(path)) return true;
  LogFailure("RemoveDirectory", path);
  return false;
}

}  // namespace datafolder
