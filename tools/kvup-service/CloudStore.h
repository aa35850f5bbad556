// The accounts' trees and contents behind the endpoints: metadata in MetaDb,
// complete contents in content/<id>, open uploads in uploads/<id> (their
// length is the break point). Every public operation is safe from any request
// thread: one lock guards the metadata and the open-upload table; chunk bytes
// are written outside it while the upload is marked busy.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/kvup-service/ChunkDigestStream.h"
#include "tools/kvup-service/MetaDb.h"

class ChunkWriter;

enum class StoreCode {
  kOk,
  kNotFound,   // no such entry in the account (or not of the kind asked for)
  kBadName,    // refused name or path component
  kNameTaken,  // a different kind of entry has the name
  kTooLarge,   // above the per-file limit
  kOverQuota,
  kBadParam,
  kBusy,      // a chunk of this upload is being written
  kConflict,  // break point is not the bytes held
  kMismatch,  // the last byte arrived and the digest differs from the hash
  kIoError,
};

// An entry as a client sees it.
struct FileView {
  int64_t id = 0;
  int64_t pid = -1;
  std::string name;
  int type = 1;
  int status = 1;
  std::string hash;
  int64_t size = 0;
  int64_t breakPoint = 0;
};

struct InspectRow {
  FileView view;
  int64_t uploadSize = -1;
  std::string contentPath;  // empty when the entry has no complete content
  std::string uploadPath;   // empty when no upload is open
};

struct StoreLimits {
  int64_t quota = -1;
  int64_t maxFileSize = -1;
};

class CloudStore {
 public:
  CloudStore(std::string root, StoreLimits limits);
  bool Open(std::string* error);

  StoreCode Root(const std::string& account, FileView* out);
  // pid 0: the backup root's children.
  StoreCode List(const std::string& account, int64_t pid, std::vector<FileView>* out);
  StoreCode CreatePath(const std::string& account, const std::string& path, FileView* out);
  StoreCode Delete(const std::string& account, int64_t fid);
  StoreCode InitUpload(const std::string& account, int64_t fid, int64_t pid,
                       const std::string& name, int64_t size, FileView* out);
  StoreCode FileInfo(const std::string& account, int64_t fid, FileView* out);
  // kOk: write the chunk through `writer`, then call EndChunk. Any other code:
  // nothing to write (a dedup completes the file at once and answers kOk with
  // `writer` inactive and `out` complete).
  StoreCode BeginChunk(const std::string& account, int64_t fid, int64_t breakPoint,
                       const std::string& hash, int64_t size, ChunkWriter* writer, FileView* out);
  StoreCode EndChunk(ChunkWriter* writer, const std::string& hash, FileView* out);
  std::vector<InspectRow> Inspect(const std::string& account);

 private:
  struct OpenUpload {
    ChunkDigestStream stream;
    bool loaded = false;  // stream matches the content file
    bool busy = false;
    // While busy the writing request owns the stream; readers see its live
    // byte count, which is the file length once the stream has been rebuilt.
    int64_t heldAtStart = 0;
  };

  // REQUIRES: mu_ held.
  StoreCode EnsureRoot(const std::string& account, MetaEntry* root);
  StoreCode FindFolder(const std::string& account, int64_t pid, MetaEntry* folder);
  FileView ListView(const MetaEntry& e);
  FileView UploadView(const MetaEntry& e);
  int64_t HeldBytes(int64_t id);
  OpenUpload* UploadOf(int64_t id);
  StoreCode OpenNewUpload(MetaEntry* e, int64_t size);
  StoreCode Complete(MetaEntry* e, const std::string& hash, const std::string& fromPath);
  StoreCode FinishChunk(ChunkWriter* writer, const std::string& hash, FileView* out);

  std::string ContentPath(int64_t id) const;
  std::string UploadPath(int64_t id) const;
  bool LoadStream(int64_t id, ChunkDigestStream* stream);

  const std::string root_;
  const StoreLimits limits_;
  std::mutex mu_;
  MetaDb db_;                                               // GUARDED_BY(mu_)
  std::map<int64_t, std::unique_ptr<OpenUpload>> uploads_;  // GUARDED_BY(mu_)
};
