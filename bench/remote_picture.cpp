// Time to build a remote picture of 100,000 entries (1,000 folders of 99
// files under the root) and to look every folder and file up once.
#include <chrono>
#include <cstdio>
#include <string>

#include "pipeline/RemotePicture.h"

int main() {
  using Clock = std::chrono::steady_clock;
  constexpr int kFolders = 1000, kFiles = 99;
  auto t0 = Clock::now();
  RemotePicture p;
  CldFileInfo root;
  root.type = 0;
  p.Add(1, -1, root);
  int64_t next = 2;
  for (int f = 0; f < kFolders; ++f) {
    CldFileInfo folder;
    folder.type = 2;
    folder.name = "folder" + std::to_string(f);
    int64_t fid = next++;
    p.Add(fid, 1, folder);
    for (int i = 0; i < kFiles; ++i) {
      CldFileInfo file;
      file.type = 1;
      file.name = "file" + std::to_string(i);
      file.hash = std::to_string(i);
      p.Add(next++, fid, file);
    }
  }
  auto t1 = Clock::now();
  int64_t found = 0, id = 0;
  for (int f = 0; f < kFolders; ++f) {
    int64_t fid = p.FindIdByPath("kvsfodra\\folder" + std::to_string(f));
    for (int i = 0; i < kFiles; ++i)
      found += p.FindChild(fid, "file" + std::to_string(i), std::to_string(i), &id) ? 1 : 0;
  }
  auto t2 = Clock::now();
  auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
  std::printf("entries %lld build %.1f ms, %lld lookups %.1f ms (target: under 1000 ms each)\n",
              static_cast<long long>(next - 1), ms(t1 - t0),
              static_cast<long long>(kFolders) * (kFiles + 1), ms(t2 - t1));
  return found == static_cast<int64_t>(kFolders) * kFiles ? 0 : 1;
}
