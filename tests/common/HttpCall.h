// Plain libcurl calls to the stand-in service, for tests and benches that
// check its state without the code under test.
#pragma once

#include <json/value.h>

#include <string>

namespace kvtest {

struct Reply {
  int curlCode = 0;
  long http = 0;
  std::string body;
  Json::Value json;  // null when the body is not JSON
  bool parsed = false;
  // Envelope status, -1 when not parsed.
  int Status() const { return parsed ? json["status"].asInt() : -1; }
  const Json::Value& File() const { return json["data"]["file"]; }
};

class HttpCall {
 public:
  explicit HttpCall(std::string baseUrl) : base_(std::move(baseUrl)) {}

  Reply Get(const std::string& pathAndQuery, long timeoutMs = 0) const;
  Reply PostForm(const std::string& path, const std::string& body) const;
  Reply PostRaw(const std::string& path, const std::string& body) const;
  // A chunk as kvup sends it: parameters in the URL, the bytes as part "file".
  Reply PostChunk(const std::string& query, const std::string& bytes,
                  const std::string& partName = "file") const;

  static std::string Escape(const std::string& text);

 private:
  Reply Perform(void* curl, const std::string& url, long timeoutMs) const;
  std::string base_;
};

}  // namespace kvtest
