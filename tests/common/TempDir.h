// A fresh folder under the system temp folder, removed with everything in it.
#pragma once

#include <string>

namespace kvtest {

// The whole content of a file; empty when it cannot be read.
std::string ReadAll(const std::string& path);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string Sub(const std::string& name) const;
  // Writes a file (creating parent folders) and returns its full path.
  std::string WriteFile(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

}  // namespace kvtest
