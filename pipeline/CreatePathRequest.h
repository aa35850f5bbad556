// The "createPathAction" request: asks the service to create a remote folder
// path below the backup root (every missing folder on the way) and reads the
// folder it answers with. The directory walk sends '\'-separated paths, the
// comparison '/'-separated ones.
//
// Runs on the caller's thread with the caller's request.
#pragma once

#include <cstdint>
#include <string>

#include "session/ServiceRequest.h"

class CreatePathRequest {
 public:
  static constexpr const char* kEndpoint = "/wbx/filebackup/createPathAction.json";
  static constexpr int64_t kFailed = -2;

  // The folder the service answered with.
  struct Folder {
    int64_t id = kFailed;
    int64_t pid = 0;
    int32_t type = 3;
  };

  // request: a fresh ServiceRequest on kEndpoint; path in the system code
  // page. The new folder's id, or kFailed when the service cannot be reached
  // or stops answering, the answer is not JSON, reports a failure or holds no
  // usable "data"."file".
  // refusal (optional): the service's description when it refused.
  static int64_t Send(const std::string& path, ServiceRequest* request, Folder* folder = nullptr,
                      std::string* refusal = nullptr);
  // The header lines of this request, in order; deleteFileAction sends the
  // same ones.
  static void AddHeaders(ServiceRequest* request);
};
