#include "session/ServiceRequest.h"

#include <json/reader.h>

#include <memory>

#include "session/JsonText.h"
#include "session/Messages.h"
#include "session/NotifyTarget.h"
#include "session/ServiceConfig.h"

namespace {

constexpr long kConnectTimeoutSeconds = 5;

}  // namespace

ServiceRequest::ServiceRequest(std::string endpoint, COptions& options)
    : endpoint_(std::move(endpoint)),
      options_(options),
      handle_(curl_easy_init()),
      ownsHandle_(true) {
  SetCommonOptions();
}

ServiceRequest::ServiceRequest(std::string endpoint, CURL* handle, COptions& options)
    : endpoint_(std::move(endpoint)), options_(options), handle_(handle), ownsHandle_(false) {
  if (handle_ != nullptr) curl_easy_reset(handle_);
  SetCommonOptions();
}

ServiceRequest::~ServiceRequest() {
  if (handle_ == nullptr) return;
  if (ownsHandle_) {
    curl_easy_cleanup(handle_);
    return;
  }
  // The handle outlives this request: it must not write into it any more.
  curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &ServiceRequest::Discard);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, nullptr);
}

void ServiceRequest::SetCommonOptions() {
  sessionParam_ = options_.SessionParam();
  cookieHeader_ = options_.CookieHeader();
  if (handle_ == nullptr) return;
  curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle_, CURLOPT_VERBOSE, 0L);
  curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &ServiceRequest::OnBody);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle_, CURLOPT_ACCEPT_ENCODING, "gzip");
  curl_easy_setopt(handle_, CURLOPT_COOKIE, cookieHeader_.c_str());
}

ServiceRequest& ServiceRequest::AddHeader(const std::string& line) {
  headers_.push_back(line);
  return *this;
}

ServiceRequest& ServiceRequest::UseUserAgentOption() {
  if (handle_ != nullptr) curl_easy_setopt(handle_, CURLOPT_USERAGENT, "quorel");
  return *this;
}

ServiceRequest& ServiceRequest::AddParam(const std::string& name, const std::string& value) {
  params_ += "&" + name + "=" + value;
  return *this;
}

ServiceRequest& ServiceRequest::AddParam(const std::string& name, int64_t value) {
  return AddParam(name, std::to_string(value));
}

ServiceRequest& ServiceRequest::AddEscapedParam(const std::string& name, const std::string& value) {
  return AddParam(name, Escape(value));
}

ServiceRequest& ServiceRequest::SetNotifyWindow(platform::HWND window) {
  notifyWindow_ = window;
  notifyWindowSet_ = true;
  return *this;
}

ServiceRequest& ServiceRequest::EndWhenSilent() {
  if (handle_ == nullptr) return *this;
  // Below one byte per second over the whole limit: nothing arrived at all.
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME,
                   ServiceConfig::Instance().SilenceLimitSeconds());
  return *this;
}

ServiceRequest& ServiceRequest::AbortWhen(const std::atomic<bool>* flag) {
  if (handle_ == nullptr) return *this;
  curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &ServiceRequest::OnProgress);
  curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, flag);
  curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
  return *this;
}

// Runs on the requesting thread, inside curl_easy_perform, about once a second
// while a transfer waits and more often while data moves.
int ServiceRequest::OnProgress(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

std::string ServiceRequest::Params() const {
  return sessionParam_ + params_;
}

CURL* ServiceRequest::ReleaseHandle() {
  ownsHandle_ = false;
  return handle_;
}

std::string ServiceRequest::Escape(const std::string& value) const {
  if (handle_ == nullptr) return value;
  char* escaped = curl_easy_escape(handle_, value.data(), static_cast<int>(value.size()));
  if (escaped == nullptr) return std::string();
  std::string text(escaped);
  curl_free(escaped);
  return text;
}

CURLcode ServiceRequest::Get() {
  return Perform(ServiceConfig::Instance().Url(endpoint_) + "?" + Params());
}

CURLcode ServiceRequest::PostForm() {
  if (handle_ == nullptr) return CURLE_FAILED_INIT;
  curl_easy_setopt(handle_, CURLOPT_POST, 1L);
  SetBody(Params());
  return Perform(ServiceConfig::Instance().Url(endpoint_) + "?");
}

CURLcode ServiceRequest::PostMultipart(curl_mime* form) {
  if (handle_ == nullptr) return CURLE_FAILED_INIT;
  const std::string params = Params();
  curl_easy_setopt(handle_, CURLOPT_POST, 1L);
  SetBody(params);
  curl_easy_setopt(handle_, CURLOPT_MIMEPOST, form);
  const CURLcode rc = Perform(ServiceConfig::Instance().Url(endpoint_) + "?" + params);
  curl_easy_setopt(handle_, CURLOPT_MIMEPOST, nullptr);
  return rc;
}

void ServiceRequest::SetBody(const std::string& body) {
  // Copied, so a handle that outlives the request holds no dangling body.
  curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(handle_, CURLOPT_COPYPOSTFIELDS, body.c_str());
}

CURLcode ServiceRequest::Perform(const std::string& url) {
  if (handle_ == nullptr) return CURLE_FAILED_INIT;
  curl_slist* list = nullptr;
  for (const std::string& line : headers_) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) {
      curl_slist_free_all(list);
      return CURLE_OUT_OF_MEMORY;
    }
    list = grown;
  }
  if (list != nullptr) curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
  response_.clear();
  const CURLcode rc = curl_easy_perform(handle_);
  if (list != nullptr) curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(list);
  if (rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_CONNECT) {
    const platform::HWND target = notifyWindowSet_ ? notifyWindow_ : NotifyTarget::Resolve(nullptr);
    platform::PostMessage(target, msg::WM_NETWORK_FAILED, 0, 0);
  }
  return rc;
}

long ServiceRequest::HttpCode() const {
  long code = 0;
  if (handle_ != nullptr) curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
  return code;
}

// Runs on the requesting thread, inside curl_easy_perform.
size_t ServiceRequest::OnBody(char* data, size_t size, size_t count, void* self) {
  static_cast<ServiceRequest*>(self)->response_.append(data, size * count);
  return size * count;
}

size_t ServiceRequest::Discard(char*, size_t size, size_t count, void*) {
  return size * count;
}

bool ServiceRequest::ParseResponse(Json::Value* root) {
  const bool parsed = JsonText::Parse(response_, root);
  response_.clear();
  return parsed;
}

bool IsEnvelopeFailed(const Json::Value& root) {
  if (!root.isObject()) return true;
  const Json::Value& status = root["status"];
  const bool statusZero = status.isInt64() && status.asInt64() == 0;
  if (statusZero) return false;
  const Json::Value& description = root["description"];
  return !(description.isString() && description.asString() == "OK");
}
