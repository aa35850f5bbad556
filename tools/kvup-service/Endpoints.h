// The service's endpoints under /wbx/filebackup/, as kvup calls them. The
// session is the gSessionId parameter (query or form body); chunk parameters
// travel in the URL with the chunk as multipart part "file".
// Every handler runs on an HTTP worker thread.
#pragma once

#include <httplib.h>

#include <functional>
#include <map>
#include <string>

#include "tools/kvup-service/ByteThrottle.h"
#include "tools/kvup-service/CloudStore.h"

class Endpoints {
 public:
  Endpoints(CloudStore* store, std::map<std::string, std::string> sessions)
      : store_(store), sessions_(std::move(sessions)) {}

  void GetSubFiles(const httplib::Request& req, httplib::Response& res);
  void CreatePath(const httplib::Request& req, httplib::Response& res);
  void DeleteFile(const httplib::Request& req, httplib::Response& res);
  void InitUpload(const httplib::Request& req, httplib::Response& res);
  void GetFile(const httplib::Request& req, httplib::Response& res);
  void Upload(const httplib::Request& req, httplib::Response& res,
              const httplib::ContentReader& reader, ByteThrottle* throttle);

  // Reads a multipart/form-data body through `reader` with MultipartStream:
  // `onPart` at each part's start with its name, `onData` with its bytes.
  // False when the body is not valid multipart or could not be read.
  static bool ReadParts(const httplib::Request& req, const httplib::ContentReader& reader,
                        const std::function<bool(const std::string&)>& onPart,
                        const std::function<bool(const char*, size_t)>& onData);
  // Reads and drops a request body that is not going to be used.
  static bool Drain(const httplib::Request& req, const httplib::ContentReader& reader,
                    ByteThrottle* throttle);

 private:
  bool Account(const httplib::Request& req, std::string* account);
  static void Answer(httplib::Response& res, StoreCode rc, const FileView& file,
                     const char* member);
  static void AnswerChunk(httplib::Response& res, StoreCode rc, const FileView& file);

  CloudStore* store_;
  const std::map<std::string, std::string> sessions_;
};
