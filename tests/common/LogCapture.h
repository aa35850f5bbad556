// Records every log line while it lives, for tests that check log texts.
#pragma once

#include <log4cplus/appender.h>

#include <string>
#include <vector>

namespace kvtest {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every line logged so far, as "LOGGER|LEVEL|message".
  std::vector<std::string> Lines() const;
  // Whether some message contains the text (optionally only on one logger).
  bool Contains(const std::string& text, const std::string& logger = "") const;
  int Count(const std::string& text, const std::string& logger = "") const;
  void Clear();

 private:
  log4cplus::SharedAppenderPtr appender_;
};

}  // namespace kvtest
