// The client's picture of the remote backup folder: every known folder with
// the children listed so far, the remote path of every known folder, and the
// entries whose parent is not known yet. Lookups by path and by child name go
// through indexes kept beside the maps, so each costs O(log n) and still gives
// the first match in id order, exactly and case-sensitively.
//
// Not thread-safe: the owner (FileBackupMgr) locks around it where needed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "pipeline/CldFileInfo.h"

class RemotePicture {
 public:
  static constexpr const char* kRootName = "kvsfodra";
  static constexpr int64_t kNone = -2;

  void Add(int64_t id, int64_t pid, const CldFileInfo& info);
  // A file the service now holds (an upload just ended): it takes the place
  // of what the listing showed under that id. Nothing when the folder is not
  // known; its listing will show the file.
  void Held(int64_t id, int64_t pid, const CldFileInfo& info);
  // Re-adds the waiting entries until a round attaches none.
  void AttachPending();
  void Clear();

  bool FindPath(int64_t id, std::string* path) const;
  // The smallest id whose path equals path; kNone if none.
  int64_t FindIdByPath(const std::string& path) const;
  // *id: the first child of folder (in id order) named name, else 0; true
  // when that child's hash equals hash.
  bool FindChild(int64_t folder, const std::string& name, const std::string& hash,
                 int64_t* id) const;
  bool HasChildren(int64_t folder) const;

  int64_t RootId() const { return rootId_; }
  size_t FolderCount() const { return tree_.size(); }
  size_t PendingCount() const { return pending_.size(); }
  const std::map<int64_t, CldFileInfo>* Children(int64_t folder) const;

 private:
  void AddPath(int64_t id, int64_t pid, const CldFileInfo& info);
  void AddChild(int64_t folder, int64_t id, const CldFileInfo& info);

  std::map<int64_t, std::map<int64_t, CldFileInfo>> tree_;
  std::map<int64_t, std::pair<int64_t, std::string>> paths_;
  std::map<std::pair<int64_t, int64_t>, CldFileInfo> pending_;      // (id, pid)
  std::map<std::string, int64_t> idByPath_;                         // smallest id per path
  std::map<std::pair<int64_t, std::string>, int64_t> childByName_;  // smallest id
  int64_t rootId_ = 0;
};
