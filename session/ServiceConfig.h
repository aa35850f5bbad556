// Where the service lives: its base URL and the enterprise host that some
// requests name in their "Host:" line. Set once by the frame before any
// thread starts; read-only afterwards, so readers need no lock.
#pragma once

#include <string>

class ServiceConfig {
 public:
  // The local stand-in service (kvup-service listens there by default).
  static constexpr const char* kDefaultUrl = "http://127.0.0.1:18080";

  static ServiceConfig& Instance();

  // Base URL without a trailing '/', e.g. "http://127.0.0.1:18080".
  const std::string& BaseUrl() const { return baseUrl_; }
  void SetBaseUrl(std::string url);
  // The enterprise host; the URL's host (with its port, if any) unless set.
  std::string HostName() const;
  void SetHostName(std::string host) { host_ = std::move(host); }
  // A request that waits this long without receiving a byte fails.
  static constexpr long kDefaultSilenceLimitSeconds = 60;
  long SilenceLimitSeconds() const { return silenceLimitSeconds_; }
  void SetSilenceLimitSeconds(long seconds) { silenceLimitSeconds_ = seconds; }
  // BaseUrl() + path; path starts with '/'.
  std::string Url(const std::string& path) const { return baseUrl_ + path; }

 private:
  std::string baseUrl_ = kDefaultUrl;
  std::string host_;
  long silenceLimitSeconds_ = kDefaultSilenceLimitSeconds;
};
