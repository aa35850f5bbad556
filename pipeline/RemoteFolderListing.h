// The "getSubFilesAction" listing of one remote folder, entered into the
// store's remote picture. The store lists with its own handle at start-up;
// the comparison worker lists with its own handle, notification window and
// stop flag. Unusable entries are skipped and logged, never raised.
//
// Runs on the caller's thread; the entries go in under the store's lock.
#pragma once

#include <json/value.h>

#include <cstdint>

#include "session/ServiceRequest.h"

class FileBackupMgr;

class RemoteFolderListing {
 public:
  static constexpr const char* kEndpoint = "/wbx/filebackup/getSubFilesAction.json";

  // request: a fresh ServiceRequest on kEndpoint; pid 0 lists the backup
  // root. False when the service cannot be reached, the answer is not JSON or
  // a root listing has no usable root; true (nothing changed) for a failure
  // status.
  static bool Load(FileBackupMgr& store, int64_t pid, ServiceRequest* request);

 private:
  static bool StoreRoot(FileBackupMgr& store, const Json::Value& root);
  static void StoreFiles(FileBackupMgr& store, const Json::Value& files);
};
