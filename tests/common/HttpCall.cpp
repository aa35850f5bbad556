#include "HttpCall.h"

#include <curl/curl.h>
#include <json/reader.h>

#include <memory>

namespace kvtest {

namespace {

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string HttpCall::Escape(const std::string& text) {
  char* e = curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size()));
  std::string out = e ? e : "";
  curl_free(e);
  return out;
}

Reply HttpCall::Perform(void* handle, const std::string& url, long timeoutMs) const {
  CURL* curl = static_cast<CURL*>(handle);
  Reply r;
  curl_easy_setopt(curl, CURLOPT_URL, (base_ + url).c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs > 0 ? timeoutMs : 60000L);
  r.curlCode = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.http);
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  r.parsed = !r.body.empty() &&
             reader->parse(r.body.data(), r.body.data() + r.body.size(), &r.json, &errors);
  curl_easy_cleanup(curl);
  return r;
}

Reply HttpCall::Get(const std::string& pathAndQuery, long timeoutMs) const {
  return Perform(curl_easy_init(), pathAndQuery, timeoutMs);
}

Reply HttpCall::PostForm(const std::string& path, const std::string& body) const {
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, body.c_str());
  return Perform(curl, path + "?", 0);
}

Reply HttpCall::PostRaw(const std::string& path, const std::string& body) const {
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, body.c_str());
  return Perform(curl, path, 0);
}

Reply HttpCall::PostChunk(const std::string& query, const std::string& bytes,
                          const std::string& partName) const {
  CURL* curl = curl_easy_init();
  curl_mime* mime = curl_mime_init(curl);
  curl_mimepart* part = curl_mime_addpart(mime);
  curl_mime_name(part, partName.c_str());
  curl_mime_filename(part, "chunk.bin");
  curl_mime_data(part, bytes.data(), bytes.size());
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
  Reply r = Perform(curl, "/wbx/filebackup/breakPointUploadAction.json?" + query, 0);
  curl_mime_free(mime);
  return r;
}

}  // namespace kvtest
