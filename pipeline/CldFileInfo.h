// A remote file or folder as the service lists it. Copied by value.
#pragma once

#include <cstdint>
#include <string>

struct CldFileInfo {
  virtual ~CldFileInfo() = default;

  static constexpr int32_t kRootType = 0;
  static constexpr int32_t kFolderType = 2;

  std::string name;  // system code page
  int32_t type = 3;
  std::string hash;  // the service's digest of the file
  int64_t size = 0;
  int64_t breakPoint = 0;  // bytes of the file the service already holds
  int32_t status = 1;
};
