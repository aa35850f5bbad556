// The one set of logging macros. Each statement asks whether its level is
// enabled before it formats anything, then logs printf-style with its source
// file and line. Logger names are the module names ("ESYUPLD", "SQLITE", ...);
// an empty name is the root logger.
#pragma once

#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

namespace kvlog {

log4cplus::Logger Get(const char* name);

void Write(const log4cplus::Logger& logger, log4cplus::LogLevel level, const char* file, int line,
           const char* format, ...) __attribute__((format(printf, 5, 6)));

}  // namespace kvlog

#define KV_LOG(level, name, ...)                                       \
  do {                                                                 \
    const log4cplus::Logger kvLogger_ = kvlog::Get(name);              \
    if (kvLogger_.isEnabledFor(level))                                 \
      kvlog::Write(kvLogger_, level, __FILE__, __LINE__, __VA_ARGS__); \
  } while (0)

#define KV_TRACE(name, ...) KV_LOG(log4cplus::TRACE_LOG_LEVEL, name, __VA_ARGS__)
#define KV_DEBUG(name, ...) KV_LOG(log4cplus::DEBUG_LOG_LEVEL, name, __VA_ARGS__)
#define KV_INFO(name, ...) KV_LOG(log4cplus::INFO_LOG_LEVEL, name, __VA_ARGS__)
#define KV_ERROR(name, ...) KV_LOG(log4cplus::ERROR_LOG_LEVEL, name, __VA_ARGS__)
#define KV_FATAL(name, ...) KV_LOG(log4cplus::FATAL_LOG_LEVEL, name, __VA_ARGS__)
