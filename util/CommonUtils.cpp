#include "util/CommonUtils.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "log/KvLog.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/TextEncoding.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) vsnprintf(out.data(), out.size() + 1, format, copy);
  va_end(copy);
  return out;
}

std::string ConvertThroughUtf16(unsigned from, unsigned to, std::string_view text) {
  std::u16string wide;
  std::string out;
  if (!platform::DecodeToUtf16(from, 0, text, &wide)) return std::string();
  if (!platform::EncodeFromUtf16(to, 0, wide, &out)) return std::string();
  return out;
}

// The first n bytes of text (none when n < 0), never ending inside a sequence.
std::string SafeLeft(const std::string& text, int n) {
  if (n <= 0) return std::string();
  return text.substr(0, platform::Utf8SafeCut(text, static_cast<size_t>(n)));
}

std::string TrimRightBlanks(std::string text) {
  const size_t keep = text.find_last_not_of(" \t\r\n\v\f");
  text.erase(keep == std::string::npos ? 0 : keep + 1);
  return text;
}

// The text after the last '.', or the whole name when it has none.
std::string Extension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

struct IconRow {
  const char* extension;
  const char* kind;
};

constexpr IconRow kIconRows[] = {
    {"txt", "txt"},    {"doc", "word"},  {"wps", "word"},  {"xls", "excel"},  {"et", "excel"},
    {"ppt", "ppt"},    {"dps", "ppt"},   {"pdf", "pdf"},   {"rar", "rar"},    {"zip", "rar"},
    {"7z", "rar"},     {"csv", "csv"},   {"jpg", "img"},   {"jpeg", "img"},   {"png", "img"},
    {"ico", "img"},    {"bmp", "img"},   {"grid", "grid"}, {"mp3", "audio"},  {"wma", "audio"},
    {"wav", "audio"},  {"avi", "video"}, {"wmv", "video"}, {"mpeg", "video"}, {"rm", "video"},
    {"rmvb", "video"}, {"vcf", "vcf"},
};

const char* IconKind(const std::string& fileName) {
  const std::string ext = AsciiLower(Extension(fileName));
  for (const IconRow& row : kIconRows)
    if (ext == row.extension) return row.kind;
  return "default";
}

}  // namespace

std::string WindowsErrorText(const std::string& function, const std::string& argument) {
  const unsigned code = platform::GetLastError();
  if (argument.empty())
    return Format("Function [%s] failed: GetLastError [%u]", function.c_str(), code);
  return Format("Function [%s(%s)] failed: GetLastError [%u]", function.c_str(), argument.c_str(),
                code);
}

std::string CurlErrorText(int code) {
  return Format("(%d)%s", code, curl_easy_strerror(static_cast<CURLcode>(code)));
}

bool SplitPath(const std::string& path, std::string* component, std::string* parent) {
  if (path.empty()) return false;
  std::string_view rest = path;
  if (rest.back() == '/') rest.remove_suffix(1);
  const size_t slash = rest.rfind('/');
  if (slash == std::string_view::npos) return false;
  *component = std::string(rest.substr(slash + 1));
  *parent = std::string(rest.substr(0, slash));
  return true;
}

bool PrefixBefore(const std::string& text, const std::string& separator, std::string* prefix) {
  if (separator.empty()) return false;
  const size_t at = text.find(separator[0]);
  if (at == std::string::npos) return false;
  *prefix = text.substr(0, at);
  return true;
}

int64_t CountFiles(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(folder, &entries)) return 0;
  int64_t total = 0;
  for (const platform::DirEntry& entry : entries) {
    if (entry.isDirectory) total += CountFiles(folder + "/" + entry.name);
    if (entry.isFile) ++total;
  }
  return total;
}

bool ReadFileTimes(const std::string& path, int64_t* creation, int64_t* lastWrite) {
  if (platform::GetFileTimes(path, creation, lastWrite)) return true;
  if (creation != nullptr) *creation = 1;
  return false;
}

std::string SystemToUtf8(std::string_view text) {
  return ConvertThroughUtf16(platform::kCodePageSystem, platform::kCodePageUtf8, text);
}

std::string Utf8ToSystem(std::string_view text) {
  return ConvertThroughUtf16(platform::kCodePageUtf8, platform::kCodePageSystem, text);
}

std::string Int64ToStr(int64_t value) {
  return std::to_string(value);
}

StrToIntError::StrToIntError(const std::string& text)
    : std::runtime_error("Unable to convert string '" + text + "' to integer!") {}

bool TryStrToInt64(const std::string& text, int64_t* value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  *value = parsed;
  return true;
}

int64_t StrToInt64(const std::string& text) {
  int64_t value = 0;
  if (!TryStrToInt64(text, &value)) throw StrToIntError(text);
  return value;
}

bool UpdateRetryCount(int nOperType, int* counter) {
  switch (nOperType) {
    case 0:
      *counter = 0;
      return true;
    case 1:
      return true;
    case 2:
      ++*counter;
      return true;
    default:
      KV_ERROR("", "Unkown nOperType: %d", nOperType);
      return false;
  }
}

int IntersectRange(const Range& a, const Range& b, Range* out) {
  if (a.start > b.end) return 1;
  if (a.end < b.start) return -1;
  out->start = std::max(a.start, b.start);
  out->end = std::min(a.end, b.end);
  return 0;
}

std::string ShortenFileName(const std::string& name, int maxBytes) {
  if (maxBytes >= 0 && name.size() <= static_cast<size_t>(maxBytes)) return name;
  const size_t dot = name.rfind('.');
  const std::string ext = Extension(name);
  if (dot == 0 || ext.empty()) return SafeLeft(name, maxBytes - 6) + "....";
  if (ext.size() <= 4) return TrimRightBlanks(SafeLeft(name, maxBytes - 6)) + "...." + ext;
  return TrimRightBlanks(SafeLeft(name, maxBytes - 10)) + "." + SafeLeft(ext, 5) + "....";
}

std::string BigIconName(const std::string& fileName) {
  return std::string("cdBig_") + IconKind(fileName) + ".png";
}

std::string SmallIconName(const std::string& fileName) {
  return std::string("cdSmall_") + IconKind(fileName) + ".png";
}
