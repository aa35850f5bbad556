// The common part of every request to the service: the libcurl handle with
// the shared options, the parameter list that always opens with the session
// parameter, URL escaping, the response body collected in memory, the JSON
// parse, and WM_NETWORK_FAILED to the notification window when the host
// cannot be resolved or reached. Endpoints add their own header lines and
// options on Handle().
//
// A request is used by one thread at a time; it copies the cookie texts of
// COptions when it is constructed.
#pragma once

#include <curl/curl.h>
#include <json/value.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowMessage.h"
#include "session/COptions.h"

class ServiceRequest {
 public:
  // endpoint: the path below the base URL, "/wbx/filebackup/...json".
  // Works on a fresh handle of its own, cleaned up with the request.
  explicit ServiceRequest(std::string endpoint, COptions& options = COptions::Instance());
  // Works on the caller's handle, which is reset first and stays the caller's.
  ServiceRequest(std::string endpoint, CURL* handle, COptions& options = COptions::Instance());
  ~ServiceRequest();
  ServiceRequest(const ServiceRequest&) = delete;
  ServiceRequest& operator=(const ServiceRequest&) = delete;

  // Header lines, sent in the order added.
  ServiceRequest& AddHeader(const std::string& line);
  // The user agent "quorel" as libcurl's option (endpoints that do not send
  // it as a header line).
  ServiceRequest& UseUserAgentOption();
  // "&name=value", value as given.
  ServiceRequest& AddParam(const std::string& name, const std::string& value);
  ServiceRequest& AddParam(const std::string& name, int64_t value);
  // "&name=value", value URL-escaped.
  ServiceRequest& AddEscapedParam(const std::string& name, const std::string& value);
  // Where WM_NETWORK_FAILED goes; COptions' drop window unless set.
  ServiceRequest& SetNotifyWindow(platform::HWND window);
  // Ends the transfer as a failure (CURLE_OPERATION_TIMEDOUT) when no byte
  // moved for ServiceConfig's silence limit (60 s), so a service that stops
  // sending mid-answer cannot hang the caller.
  ServiceRequest& EndWhenSilent();
  // Ends the transfer (CURLE_ABORTED_BY_CALLBACK) soon after *flag turns true;
  // the flag must outlive the request. For owners that stop their workers.
  ServiceRequest& AbortWhen(const std::atomic<bool>* flag);

  // The session parameter followed by the added parameters.
  std::string Params() const;
  // For the endpoint's own options, set before the request is performed.
  CURL* Handle() const { return handle_; }
  // Hands an own handle over to the caller (who cleans it up); the request
  // keeps using it until it is destroyed. A handle that outlives the request
  // discards response bodies until its new user sets a write function.
  CURL* ReleaseHandle();

  // URL: base + endpoint + "?" + Params().
  CURLcode Get();
  // URL: base + endpoint + "?"; form-encoded body: Params().
  CURLcode PostForm();
  // URL and body as for a GET and a form POST at once, then the multipart
  // form set last, so the parameters travel in the URL and the form is the
  // body. The caller keeps the form (curl_mime_free after the call).
  CURLcode PostMultipart(curl_mime* form);

  const std::string& Response() const { return response_; }
  long HttpCode() const;
  // Parses the collected body as one JSON value and empties the body.
  bool ParseResponse(Json::Value* root);

 private:
  void SetCommonOptions();
  CURLcode Perform(const std::string& url);
  void SetBody(const std::string& body);
  std::string Escape(const std::string& value) const;
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t Discard(char* data, size_t size, size_t count, void* unused);
  static int OnProgress(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  std::string endpoint_;
  COptions& options_;
  CURL* handle_;
  bool ownsHandle_;
  std::vector<std::string> headers_;
  std::string sessionParam_;
  std::string cookieHeader_;
  std::string params_;
  std::string response_;
  platform::HWND notifyWindow_ = nullptr;
  bool notifyWindowSet_ = false;
};

// The response envelope: failed exactly when "status" is not 0 and
// "description" is not "OK". A value that is not an object, or a status that
// is not an integer, counts as not 0.
bool IsEnvelopeFailed(const Json::Value& root);
