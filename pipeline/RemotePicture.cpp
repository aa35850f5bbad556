#include "pipeline/RemotePicture.h"

namespace {

// Keeps the smallest id under key: the first match of a scan in id order.
template <typename Map, typename Key>
void KeepSmallest(Map* index, const Key& key, int64_t id) {
  auto [it, added] = index->emplace(key, id);
  if (!added && id < it->second) it->second = id;
}

}  // namespace

void RemotePicture::AddChild(int64_t folder, int64_t id, const CldFileInfo& info) {
  if (tree_[folder].emplace(id, info).second)
    KeepSmallest(&childByName_, std::make_pair(folder, info.name), id);
}

void RemotePicture::AddPath(int64_t id, int64_t pid, const CldFileInfo& info) {
  std::string path;
  if (info.type == CldFileInfo::kRootType) {
    path = kRootName;
  } else if (info.type == CldFileInfo::kFolderType) {
    FindPath(pid, &path);
    path += "\\" + info.name;
  } else {
    return;
  }
  if (paths_.emplace(id, std::make_pair(pid, path)).second) KeepSmallest(&idByPath_, path, id);
}

void RemotePicture::Add(int64_t id, int64_t pid, const CldFileInfo& info) {
  if (tree_.count(pid) != 0) {
    AddChild(pid, id, info);
    if (info.type == CldFileInfo::kFolderType) tree_.try_emplace(id);
  } else if (pid == -1) {
    tree_.try_emplace(id);
    rootId_ = id;
  } else {
    pending_.emplace(std::make_pair(id, pid), info);
  }
  AddPath(id, pid, info);
}

void RemotePicture::Held(int64_t id, int64_t pid, const CldFileInfo& info) {
  auto folder = tree_.find(pid);
  if (folder == tree_.end()) return;
  folder->second.insert_or_assign(id, info);
  KeepSmallest(&childByName_, std::make_pair(pid, info.name), id);
}

void RemotePicture::AttachPending() {
  while (!pending_.empty()) {
    std::map<std::pair<int64_t, int64_t>, CldFileInfo> round;
    round.swap(pending_);
    for (const auto& [key, info] : round) Add(key.first, key.second, info);
    if (pending_.size() == round.size()) return;
  }
}

void RemotePicture::Clear() {
  tree_.clear();
  paths_.clear();
  pending_.clear();
  idByPath_.clear();
  childByName_.clear();
}

bool RemotePicture::FindPath(int64_t id, std::string* path) const {
  auto it = paths_.find(id);
  if (it == paths_.end()) return false;
  *path = it->second.second;
  return true;
}

int64_t RemotePicture::FindIdByPath(const std::string& path) const {
  auto it = idByPath_.find(path);
  return it == idByPath_.end() ? kNone : it->second;
}

bool RemotePicture::FindChild(int64_t folder, const std::string& name, const std::string& hash,
                              int64_t* id) const {
  *id = 0;
  auto it = childByName_.find(std::make_pair(folder, name));
  if (it == childByName_.end()) return false;
  *id = it->second;
  return tree_.at(folder).at(it->second).hash == hash;
}

bool RemotePicture::HasChildren(int64_t folder) const {
  auto it = tree_.find(folder);
  return it != tree_.end() && !it->second.empty();
}

const std::map<int64_t, CldFileInfo>* RemotePicture::Children(int64_t folder) const {
  auto it = tree_.find(folder);
  return it == tree_.end() ? nullptr : &it->second;
}
