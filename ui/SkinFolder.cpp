#include "ui/SkinFolder.h"

#include <sys/stat.h>

#include "platform/FileSystem.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SkinFolder::Path() {
  const std::string program = platform::ProgramFolder();
  const std::string beside = program + "skin/";
  if (IsFolder(beside)) return beside;
  return program + "../share/kvup/skin/";
}
