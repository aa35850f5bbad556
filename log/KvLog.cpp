#include "log/KvLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace kvlog {

log4cplus::Logger Get(const char* name) {
  if (name == nullptr || *name == '\0') return log4cplus::Logger::getRoot();
  return log4cplus::Logger::getInstance(LOG4CPLUS_C_STR_TO_TSTRING(name));
}

void Write(const log4cplus::Logger& logger, log4cplus::LogLevel level, const char* file, int line,
           const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string text;
  if (needed < 0) {
    text = format;
  } else if (static_cast<size_t>(needed) < sizeof small) {
    text.assign(small, static_cast<size_t>(needed));
  } else {
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    text.assign(big.data(), static_cast<size_t>(needed));
  }
  va_end(again);
  logger.forcedLog(level, LOG4CPLUS_STRING_TO_TSTRING(text), file, line);
}

}  // namespace kvlog
