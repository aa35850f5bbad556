#include "app/LogSetup.h"

#include <log4cplus/configurator.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace logsetup {

std::string FindPropertiesFile(const std::string& programFolder) {
  const std::string candidates[] = {kPropertiesFile, programFolder + "log4cplus.properties",
                                    programFolder + "../share/kvup/log4cplus.properties"};
  for (const std::string& path : candidates) {
    if (access(path.c_str(), R_OK) == 0) return path;
  }
  return kPropertiesFile;
}

std::string FindPropertiesFile() {
  return FindPropertiesFile(platform::ProgramFolder());
}

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
