#include "app/LogSetup.h"

#include <log4cplus/configurator.h>

#include <cstdlib>

namespace logsetup {

std::string Suffix(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return std::string();
  char text[129];
  const size_t n = std::strftime(text, sizeof text, "_%Y_%m_%d_%H_%M_%S", &local);
  return std::string(text, n);
}

void Configure(const std::string& propertiesFile) {
  const char* before = std::getenv(kSuffixVariable);
  const std::string remembered = before != nullptr ? before : "";
  setenv(kSuffixVariable, Suffix(std::time(nullptr)).c_str(), 1);
  log4cplus::PropertyConfigurator::doConfigure(LOG4CPLUS_STRING_TO_TSTRING(propertiesFile));
  setenv(kSuffixVariable, remembered.c_str(), 1);
}

}  // namespace logsetup
