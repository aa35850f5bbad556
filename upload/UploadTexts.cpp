#include "upload/UploadTexts.h"

#include "upload/TaskState.h"

namespace {

// The two decimals of the list: nothing for 0, "." and d below 100, else
// "." and d ÷ 10.
std::string Decimals(uint32_t d) {
  if (d == 0) return std::string();
  return "." + std::to_string(d < 100 ? d : d / 10);
}

// K, or M with the decimals of K, or G with the decimals of M.
std::string Size(int64_t bytes, const char* kb, const char* mb, const char* gb) {
  const uint32_t k = static_cast<uint32_t>(bytes / 1024);
  if (k <= 1024) return std::to_string(k) + kb;
  const uint32_t m = k / 1024;
  if (m <= 1024) return std::to_string(m) + Decimals(k % 1000) + mb;
  return std::to_string(m / 1024) + Decimals(m % 1000) + gb;
}

}  // namespace

std::string UploadTexts::RemainingTime(uint32_t ms) {
  const uint32_t s = ms / 1000;
  if (s <= 60) return std::to_string(s) + "秒";
  if (s <= 3600) {
    const uint32_t m = ms / 60000;
    std::string text = std::to_string(m) + "分";
    if (s - 60 * m >= 1) text += std::to_string(s - 60 * m) + "秒";
    return text;
  }
  const uint32_t h = ms / 3600000;
  const uint32_t r = s - 3600 * h;
  std::string text = std::to_string(h) + "小时";
  if (r < 60) return text + std::to_string(r) + "秒";
  text += std::to_string(r / 60) + "分";
  if (r % 60 >= 1) text += std::to_string(r % 60) + "秒";
  return text;
}

std::string UploadTexts::Transferred(int64_t bytes) {
  return Size(bytes, "KB/", "MB/", "GB/");
}

std::string UploadTexts::Total(int64_t bytes) {
  return Size(bytes, "KB(", "MB(", "GB(");
}

std::string UploadTexts::Speed(uint32_t v) {
  if (v / 1024 < 1) return v == 0 ? "0B/S)" : std::to_string(v) + "Byte/秒)";
  if (v / 1024 < 1024) return std::to_string(v / 1024) + "KB/秒)";
  return std::to_string(v / 1048576) + Decimals((v / 1024) % 1024) + "MB/秒)";
}

std::string UploadTexts::Progress(uint32_t remainingMs, int64_t breakPoint, int64_t size,
                                  uint32_t bytesPerSecond) {
  return "剩余时间: " + RemainingTime(remainingMs) + "   " + Transferred(breakPoint) + Total(size) +
         Speed(bytesPerSecond);
}

int UploadTexts::Percent(int64_t breakPoint, int64_t size) {
  if (size == 0) return 0;
  return static_cast<int>(static_cast<uint64_t>(breakPoint) * 100 / static_cast<uint64_t>(size));
}

std::string UploadTexts::Ended(int32_t state, const std::string& message, int64_t breakPoint,
                               int64_t size) {
  if (state == TaskState::Done || state == TaskState::Instant) return "结束";
  const uint32_t k = static_cast<uint32_t>(breakPoint / 1024);
  std::string text = StateText(state, message) + " ";
  if (k <= 1024)
    text += std::to_string(k) + "KB/";
  else
    text += std::to_string(k / 1024) + Decimals(k % 1000) + "MB/";
  const uint32_t tk = static_cast<uint32_t>(size / 1024);
  const uint32_t tm = tk / 1024;
  if (tk <= 1024) return text + std::to_string(tk) + "KB";
  if (tm <= 1024) return text + std::to_string(tm) + Decimals(tk % 1000) + "MB";
  return text + std::to_string(tm / 1024) + Decimals(tm - (tk / 1024000) * 1000) + "GB";
}
