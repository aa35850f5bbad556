#include "session/ServiceConfig.h"

ServiceConfig& ServiceConfig::Instance() {
  static ServiceConfig config;
  return config;
}

void ServiceConfig::SetBaseUrl(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  baseUrl_ = std::move(url);
}

std::string ServiceConfig::HostName() const {
  if (!host_.empty()) return host_;
  size_t start = baseUrl_.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  const size_t end = baseUrl_.find_first_of("/?#", start);
  std::string authority = baseUrl_.substr(start, end == std::string::npos ? end : end - start);
  const size_t at = authority.rfind('@');
  return at == std::string::npos ? authority : authority.substr(at + 1);
}
