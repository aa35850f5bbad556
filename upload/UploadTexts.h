// The texts of the upload list: remaining time, sizes, speed, the progress
// line and the end line of a task (GBK words, kept as UTF-8 in the source).
#pragma once

#include <cstdint>
#include <string>

class UploadTexts {
 public:
  // "2小时0秒", "1分1秒", "2分", "45秒".
  static std::string RemainingTime(uint32_t ms);
  // The transferred size: "1024KB/", "1.53MB/", "2.48MB/", "1.5GB/".
  static std::string Transferred(int64_t bytes);
  // The total size: "...KB(", "...MB(", "...GB(".
  static std::string Total(int64_t bytes);
  // "0B/S)", "512Byte/秒)", "12KB/秒)", "1.50MB/秒)".
  static std::string Speed(uint32_t bytesPerSecond);
  // "剩余时间: " + time + "   " + transferred + total + speed.
  static std::string Progress(uint32_t remainingMs, int64_t breakPoint, int64_t size,
                              uint32_t bytesPerSecond);
  // breakPoint × 100 ÷ size, 0 for an empty file.
  static int Percent(int64_t breakPoint, int64_t size);
  // The item text when a task ends: "结束" for Done and Instant, else the
  // state text, a space, the transferred and the total size.
  static std::string Ended(int32_t state, const std::string& message, int64_t breakPoint,
                           int64_t size);
};
