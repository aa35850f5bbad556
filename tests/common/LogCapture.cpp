#include "LogCapture.h"

#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <mutex>

namespace kvtest {
namespace {

class CaptureAppender : public log4cplus::Appender {
 public:
  ~CaptureAppender() override { destructorImpl(); }
  void close() override {}

  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 protected:
  void append(const log4cplus::spi::InternalLoggingEvent& event) override {
    std::string line = event.getLoggerName() + "|" +
                       log4cplus::getLogLevelManager().toString(event.getLogLevel()) + "|" +
                       event.getMessage();
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

CaptureAppender* AsCapture(const log4cplus::SharedAppenderPtr& p) {
  return static_cast<CaptureAppender*>(p.get());
}

}  // namespace

LogCapture::LogCapture() : appender_(new CaptureAppender()) {
  appender_->setName("kvtest-capture");
  log4cplus::Logger::getRoot().addAppender(appender_);
}

LogCapture::~LogCapture() {
  log4cplus::Logger::getRoot().removeAppender(appender_);
}

std::vector<std::string> LogCapture::Lines() const {
  return AsCapture(appender_)->Lines();
}

int LogCapture::Count(const std::string& text, const std::string& logger) const {
  int n = 0;
  for (const std::string& line : Lines()) {
    const size_t bar = line.find('|');
    if (!logger.empty() && line.compare(0, bar, logger) != 0) continue;
    const size_t msg = line.find('|', bar + 1);
    if (line.find(text, msg + 1) != std::string::npos) ++n;
  }
  return n;
}

bool LogCapture::Contains(const std::string& text, const std::string& logger) const {
  return Count(text, logger) > 0;
}

void LogCapture::Clear() {
  AsCapture(appender_)->Clear();
}

}  // namespace kvtest
