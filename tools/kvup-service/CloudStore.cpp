#include "tools/kvup-service/CloudStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "log/KvLog.h"
#include "tools/kvup-service/ChunkWriter.h"
#include "tools/kvup-service/PathRules.h"

namespace {

const char* kLogger = "kvup-service";
const char* kRootName = "kvsfodra";

int64_t FileLength(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool MakeEmptyFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Content shared by hard link; a copy where links are impossible.
bool LinkOrCopy(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::remove(to, ec);
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  return std::filesystem::copy_file(from, to, ec);
}

}  // namespace

CloudStore::CloudStore(std::string root, StoreLimits limits)
    : root_(std::move(root)), limits_(limits) {}

std::string CloudStore::ContentPath(int64_t id) const {
  return root_ + "/content/" + std::to_string(id);
}

std::string CloudStore::UploadPath(int64_t id) const {
  return root_ + "/uploads/" + std::to_string(id);
}

bool CloudStore::Open(std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(root_ + "/content", ec);
  std::filesystem::create_directories(root_ + "/uploads", ec);
  if (ec) {
    *error = "cannot create " + root_ + ": " + ec.message();
    return false;
  }
  std::lock_guard<std::mutex> lock(mu_);
  return db_.Open(root_ + "/meta.sqlite", error);
}

StoreCode CloudStore::EnsureRoot(const std::string& account, MetaEntry* root) {
  if (auto found = db_.FindRoot(account)) {
    *root = *found;
    return StoreCode::kOk;
  }
  MetaEntry e;
  e.account = account;
  e.pid = -1;
  e.name = kRootName;
  e.type = 0;
  e.status = 1;
  if (!db_.Insert(&e)) return StoreCode::kIoError;
  KV_INFO(kLogger, "created backup root %lld of account %s", static_cast<long long>(e.id),
          account.c_str());
  *root = e;
  return StoreCode::kOk;
}

StoreCode CloudStore::FindFolder(const std::string& account, int64_t pid, MetaEntry* folder) {
  MetaEntry root;
  StoreCode rc = EnsureRoot(account, &root);
  if (rc != StoreCode::kOk) return rc;
  auto found = db_.Find(pid, account);
  if (!found || found->type == 1) return StoreCode::kNotFound;
  *folder = *found;
  return StoreCode::kOk;
}

int64_t CloudStore::HeldBytes(int64_t id) {
  auto it = uploads_.find(id);
  if (it != uploads_.end() && it->second->busy)
    return std::max(it->second->heldAtStart, it->second->stream.Bytes());
  if (it != uploads_.end() && it->second->loaded) return it->second->stream.Bytes();
  return FileLength(UploadPath(id));
}

CloudStore::OpenUpload* CloudStore::UploadOf(int64_t id) {
  auto& slot = uploads_[id];
  if (!slot) slot = std::make_unique<OpenUpload>();
  return slot.get();
}

FileView CloudStore::ListView(const MetaEntry& e) {
  if (e.type == 1 && e.status != 1) return UploadView(e);
  FileView v;
  v.id = e.id;
  v.pid = e.pid;
  v.name = e.name;
  v.type = e.type;
  v.status = 1;
  v.hash = e.type == 1 ? e.hash : "";
  v.size = e.type == 1 ? e.size : 0;
  v.breakPoint = v.size;
  return v;
}

FileView CloudStore::UploadView(const MetaEntry& e) {
  FileView v = ListView(MetaEntry{e.id, e.account, e.pid, e.name, e.type, 1, e.hash, e.size, -1});
  if (e.type != 1 || e.uploadSize < 0) return v;
  v.status = 2;
  v.hash.clear();  // nobody may take an unfinished file for a complete copy
  v.size = e.uploadSize;
  v.breakPoint = HeldBytes(e.id);
  return v;
}

StoreCode CloudStore::Root(const std::string& account, FileView* out) {
  std::lock_guard<std::mutex> lock(mu_);
  MetaEntry root;
  StoreCode rc = EnsureRoot(account, &root);
  if (rc == StoreCode::kOk) *out = ListView(root);
  return rc;
}

StoreCode CloudStore::List(const std::string& account, int64_t pid, std::vector<FileView>* out) {
  std::lock_guard<std::mutex> lock(mu_);
  MetaEntry folder;
  StoreCode rc = pid == 0 ? EnsureRoot(account, &folder) : FindFolder(account, pid, &folder);
  if (rc != StoreCode::kOk) return rc;
  out->clear();
  for (const MetaEntry& e : db_.Children(account, folder.id)) out->push_back(ListView(e));
  return StoreCode::kOk;
}

StoreCode CloudStore::CreatePath(const std::string& account, const std::string& path,
                                 FileView* out) {
  std::vector<std::string> parts;
  if (!PathRules::Split(path, &parts)) return StoreCode::kBadName;
  std::lock_guard<std::mutex> lock(mu_);
  MetaEntry current;
  StoreCode rc = EnsureRoot(account, &current);
  if (rc != StoreCode::kOk) return rc;
  for (const std::string& part : parts) {
    if (auto child = db_.FindChild(account, current.id, part)) {
      if (child->type != 2) return StoreCode::kNameTaken;
      current = *child;
      continue;
    }
    MetaEntry folder;
    folder.account = account;
    folder.pid = current.id;
    folder.name = part;
    folder.type = 2;
    folder.status = 1;
    if (!db_.Insert(&folder)) return StoreCode::kIoError;
    current = folder;
  }
  *out = ListView(current);
  return StoreCode::kOk;
}

StoreCode CloudStore::Delete(const std::string& account, int64_t fid) {
  std::lock_guard<std::mutex> lock(mu_);
  auto e = db_.Find(fid, account);
  if (!e || e->type != 1) return StoreCode::kNotFound;
  auto it = uploads_.find(fid);
  if (it != uploads_.end() && it->second->busy) return StoreCode::kBusy;
  if (!db_.Remove(fid)) return StoreCode::kIoError;
  if (it != uploads_.end()) uploads_.erase(it);
  ::unlink(ContentPath(fid).c_str());
  ::unlink(UploadPath(fid).c_str());
  KV_INFO(kLogger, "deleted file %lld (%s) of account %s", static_cast<long long>(fid),
          e->name.c_str(), account.c_str());
  return StoreCode::kOk;
}

StoreCode CloudStore::OpenNewUpload(MetaEntry* e, int64_t size) {
  if (!MakeEmptyFile(UploadPath(e->id))) return StoreCode::kIoError;
  OpenUpload* up = UploadOf(e->id);
  up->stream.Reset();
  up->loaded = true;
  e->uploadSize = size;
  if (e->status != 1) e->size = size;
  return db_.Update(*e) ? StoreCode::kOk : StoreCode::kIoError;
}

StoreCode CloudStore::InitUpload(const std::string& account, int64_t fid, int64_t pid,
                                 const std::string& name, int64_t size, FileView* out) {
  if (!PathRules::ValidName(name)) return StoreCode::kBadName;
  if (size < 0) return StoreCode::kBadParam;
  if (limits_.maxFileSize >= 0 && size > limits_.maxFileSize) return StoreCode::kTooLarge;
  std::lock_guard<std::mutex> lock(mu_);
  MetaEntry folder;
  StoreCode rc = FindFolder(account, pid, &folder);
  if (rc != StoreCode::kOk) return rc;
  std::optional<MetaEntry> e =
      fid != 0 ? db_.Find(fid, account) : db_.FindChild(account, pid, name);
  if (fid != 0 && (!e || e->type != 1)) return StoreCode::kNotFound;
  if (e && e->type != 1) return StoreCode::kNameTaken;
  // The sum reads every entry of the account: only with a quota to hold.
  if (limits_.quota >= 0 && db_.UsedBytes(account, e ? e->id : 0) + size > limits_.quota)
    return StoreCode::kOverQuota;
  if (!e) {
    MetaEntry fresh;
    fresh.account = account;
    fresh.pid = pid;
    fresh.name = name;
    fresh.type = 1;
    fresh.status = 2;
    fresh.size = size;
    if (!db_.Insert(&fresh)) return StoreCode::kIoError;
    e = fresh;
  }
  auto it = uploads_.find(e->id);
  if (it != uploads_.end() && it->second->busy) return StoreCode::kBusy;
  bool resume = e->uploadSize == size && Exists(UploadPath(e->id));
  if (!resume && (rc = OpenNewUpload(&*e, size)) != StoreCode::kOk) return rc;
  if (size == 0 && (rc = Complete(&*e, "", UploadPath(e->id))) != StoreCode::kOk) return rc;
  KV_INFO(kLogger, "upload of %s (%lld, %lld bytes) %s at %lld", name.c_str(),
          static_cast<long long>(e->id), static_cast<long long>(size),
          resume ? "resumes" : "starts", static_cast<long long>(HeldBytes(e->id)));
  *out = UploadView(*e);
  return StoreCode::kOk;
}

StoreCode CloudStore::FileInfo(const std::string& account, int64_t fid, FileView* out) {
  std::lock_guard<std::mutex> lock(mu_);
  auto e = db_.Find(fid, account);
  if (!e) return StoreCode::kNotFound;
  *out = UploadView(*e);
  return StoreCode::kOk;
}

// REQUIRES: mu_ held; the upload is not busy.
StoreCode CloudStore::Complete(MetaEntry* e, const std::string& hash, const std::string& fromPath) {
  std::string target = ContentPath(e->id);
  bool moved = fromPath == target ||
               (fromPath == UploadPath(e->id) ? ::rename(fromPath.c_str(), target.c_str()) == 0
                                              : LinkOrCopy(fromPath, target));
  if (!moved) {
    KV_ERROR(kLogger, "cannot store content of %lld: %s", static_cast<long long>(e->id),
             std::strerror(errno));
    return StoreCode::kIoError;
  }
  ::unlink(UploadPath(e->id).c_str());
  uploads_.erase(e->id);
  e->status = 1;
  e->hash = hash;
  e->size = e->uploadSize;
  e->uploadSize = -1;
  return db_.Update(*e) ? StoreCode::kOk : StoreCode::kIoError;
}

bool CloudStore::LoadStream(int64_t id, ChunkDigestStream* stream) {
  stream->Reset();
  int fd = ::open(UploadPath(id).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  std::unique_ptr<char[]> buf(new char[CShaDigest::kChunkSize]);
  ssize_t n = 0;
  while ((n = ::read(fd, buf.get(), CShaDigest::kChunkSize)) > 0)
    stream->Feed(buf.get(), static_cast<size_t>(n));
  ::close(fd);
  return n == 0;
}

StoreCode CloudStore::BeginChunk(const std::string& account, int64_t fid, int64_t breakPoint,
                                 const std::string& hash, int64_t size, ChunkWriter* writer,
                                 FileView* out) {
  OpenUpload* up = nullptr;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto e = db_.Find(fid, account);
    if (!e || e->type != 1) return StoreCode::kNotFound;
    if (e->uploadSize < 0) return StoreCode::kConflict;  // nothing open: ask again
    if (size != e->uploadSize) return StoreCode::kBadParam;
    up = UploadOf(fid);
    if (up->busy) return StoreCode::kConflict;
    if (breakPoint != HeldBytes(fid)) return StoreCode::kConflict;
    if (breakPoint == 0) {
      if (auto same = db_.FindComplete(account, hash, size)) {
        KV_INFO(kLogger, "file %lld completes as a copy of %lld", static_cast<long long>(fid),
                static_cast<long long>(same->id));
        StoreCode rc = Complete(&*e, hash, ContentPath(same->id));
        if (rc == StoreCode::kOk) *out = UploadView(*e);
        return rc;
      }
    }
    up->heldAtStart = breakPoint;
    up->busy = true;
  }
  // Busy: nobody else touches this upload's stream or file until EndChunk.
  int fd = ::open(UploadPath(fid).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  bool loaded = up->loaded || LoadStream(fid, &up->stream);
  if (fd < 0 || !loaded) {
    if (fd >= 0) ::close(fd);
    std::lock_guard<std::mutex> lock(mu_);
    up->busy = false;
    return StoreCode::kIoError;
  }
  up->loaded = true;
  writer->account = account;
  writer->fid = fid;
  writer->Start(fd, breakPoint, size, &up->stream);
  return StoreCode::kOk;
}

StoreCode CloudStore::EndChunk(ChunkWriter* writer, const std::string& hash, FileView* out) {
  bool written = writer->Close();
  std::lock_guard<std::mutex> lock(mu_);
  OpenUpload* up = UploadOf(writer->fid);
  up->busy = false;
  if (!written) {
    // Part of the bytes may be missing from the file: rebuild from it next time.
    ::truncate(UploadPath(writer->fid).c_str(), writer->WrittenEnd());
    up->loaded = false;
    return StoreCode::kIoError;
  }
  if (writer->Dropped() > 0)
    KV_ERROR(kLogger, "chunk of %lld went %lld bytes beyond the file size",
             static_cast<long long>(writer->fid), static_cast<long long>(writer->Dropped()));
  return FinishChunk(writer, hash, out);
}

// REQUIRES: mu_ held.
StoreCode CloudStore::FinishChunk(ChunkWriter* writer, const std::string& hash, FileView* out) {
  auto e = db_.Find(writer->fid, writer->account);
  if (!e) return StoreCode::kNotFound;
  OpenUpload* up = UploadOf(e->id);
  if (up->stream.Bytes() < e->uploadSize) {
    *out = UploadView(*e);
    return StoreCode::kOk;
  }
  std::string digest = up->stream.Finish(e->uploadSize);
  if (digest != hash) {
    KV_ERROR(kLogger, "file %lld: digest %s differs from hash %s, upload starts over",
             static_cast<long long>(e->id), digest.c_str(), hash.c_str());
    ::truncate(UploadPath(e->id).c_str(), 0);
    return StoreCode::kMismatch;
  }
  StoreCode rc = Complete(&*e, digest, UploadPath(e->id));
  if (rc == StoreCode::kOk) {
    KV_INFO(kLogger, "file %lld (%s) complete, %lld bytes", static_cast<long long>(e->id),
            e->name.c_str(), static_cast<long long>(e->size));
    *out = UploadView(*e);
  }
  return rc;
}

std::vector<InspectRow> CloudStore::Inspect(const std::string& account) {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<InspectRow> rows;
  for (const MetaEntry& e : db_.All(account)) {
    InspectRow row;
    row.view = ListView(e);
    row.uploadSize = e.uploadSize;
    if (e.type == 1 && e.status == 1) row.contentPath = ContentPath(e.id);
    if (e.uploadSize >= 0) row.uploadPath = UploadPath(e.id);
    if (e.uploadSize >= 0) row.view.breakPoint = HeldBytes(e.id);
    rows.push_back(row);
  }
  return rows;
}
