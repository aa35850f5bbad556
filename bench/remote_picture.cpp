// Time to build a remote picture of 100,000 entries and to look every folder
// and file up once, in two layouts: 1,000 folders of 99 files under the root,
// and one folder of 100,000 files; on the bare picture, and through the
// store's locked operations that the comparison worker and the walk jobs call.
// (The picture is built from one listing per folder, never per file.)
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "pipeline/FileBackupMgr.h"
#include "pipeline/RemotePicture.h"

namespace {

int kFolders = 1000, kFiles = 99;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The same scenario over any picture, through the given add and lookups.
template <typename Add, typename ById, typename Child>
bool Run(const char* label, Add add, ById byPath, Child child) {
  const auto t0 = Clock::now();
  CldFileInfo root;
  root.type = CldFileInfo::kRootType;
  add(1, -1, root);
  int64_t next = 2;
  for (int f = 0; f < kFolders; ++f) {
    CldFileInfo folder;
    folder.type = CldFileInfo::kFolderType;
    folder.name = "folder" + std::to_string(f);
    const int64_t fid = next++;
    add(fid, 1, folder);
    for (int i = 0; i < kFiles; ++i) {
      CldFileInfo file;
      file.type = 1;
      file.name = "file" + std::to_string(i);
      file.hash = std::to_string(i);
      add(next++, fid, file);
    }
  }
  const auto t1 = Clock::now();
  int64_t found = 0, id = 0;
  for (int f = 0; f < kFolders; ++f) {
    const int64_t fid = byPath("kvsfodra\\folder" + std::to_string(f));
    for (int i = 0; i < kFiles; ++i)
      found += child(fid, "file" + std::to_string(i), std::to_string(i), &id) ? 1 : 0;
  }
  const auto t2 = Clock::now();
  std::printf(
      "%4d x %-6d %-6s entries %lld build %.1f ms, %lld lookups %.1f ms (target: under 1000 ms "
      "each)\n",
      kFolders, kFiles, label, static_cast<long long>(next - 1), Ms(t1 - t0),
      static_cast<long long>(kFolders) * (kFiles + 1), Ms(t2 - t1));
  return found == static_cast<int64_t>(kFolders) * kFiles;
}

bool RunLayout() {
  RemotePicture p;
  const bool bare = Run(
      "bare", [&](int64_t id, int64_t pid, const CldFileInfo& i) { p.Add(id, pid, i); },
      [&](const std::string& path) { return p.FindIdByPath(path); },
      [&](int64_t f, const std::string& n, const std::string& h, int64_t* id) {
        return p.FindChild(f, n, h, id);
      });
  FileBackupMgr store;
  const bool locked = Run(
      "store",
      [&](int64_t id, int64_t pid, const CldFileInfo& i) {
        store.addRemoteEntry(id, pid, i, true);
      },
      [&](const std::string& path) { return store.findRemoteIdByPath(path); },
      [&](int64_t f, const std::string& n, const std::string& h, int64_t* id) {
        return store.findRemoteChild(f, n, h, id);
      });
  return bare && locked;
}

}  // namespace

int main() {
  log4cplus::Initializer logging;
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);  // figures only
  bool ok = RunLayout();
  kFolders = 1;
  kFiles = 100000;
  ok = RunLayout() && ok;
  return ok ? 0 : 1;
}
