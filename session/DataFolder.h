// Operations on the data folder: the cache folder below it and the removal
// of a folder's files. Errors go to the root logger.
#pragma once

#include <string>

namespace datafolder {

// Creates userData, userData/kvd and userData/kvd/cache, each only if
// missing; true when all exist afterwards.
bool CreateCacheFolder(const std::string& userData);

// Removes the files of a folder and the folder itself. Subfolders are
// removed only when empty; a missing folder counts as removed.
bool RemoveFolder(const std::string& path);

}  // namespace datafolder
