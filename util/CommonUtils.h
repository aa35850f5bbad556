// Helpers shared by the other modules: error texts, path splitting, file
// counting and times, text conversions, a retry counter, range intersection,
// display names and file-type icons. Texts are in the system code page
// (UTF-8); local paths use '/'. Errors are logged on the root logger.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// "Function [name(argument)] failed: GetLastError [code]" with the thread's
// last error; without an argument "Function [name] failed: GetLastError [code]".
std::string WindowsErrorText(const std::string& function, const std::string& argument = "");
// "(code)text" of a libcurl result code.
std::string CurlErrorText(int code);

// Splits at the last '/' after dropping one trailing '/': the last component
// and its parent. False (outputs untouched) for an empty path or one without '/'.
bool SplitPath(const std::string& path, std::string* component, std::string* parent);
// The text before the first occurrence of separator's first character.
bool PrefixBefore(const std::string& text, const std::string& separator, std::string* prefix);
// The files of a folder tree; a symbolic link counts as a file.
int64_t CountFiles(const std::string& folder);
// Creation and last-write times in seconds since 1970-01-01 UTC. A file that
// cannot be found gives creation 1, leaves lastWrite untouched and returns false.
bool ReadFileTimes(const std::string& path, int64_t* creation, int64_t* lastWrite);

// Byte strings between the system code page and UTF-8. Ill-formed input
// comes out as U+FFFD, so the UTF-8 result is always well-formed.
std::string SystemToUtf8(std::string_view text);
std::string Utf8ToSystem(std::string_view text);

std::string Int64ToStr(int64_t value);

class StrToIntError : public std::runtime_error {
 public:
  explicit StrToIntError(const std::string& text);
};
// A signed decimal number at the start of text (leading blanks skipped,
// trailing text ignored). Throws StrToIntError when there is none or it does
// not fit; callers that must not throw use TryStrToInt64.
int64_t StrToInt64(const std::string& text);
bool TryStrToInt64(const std::string& text, int64_t* value);

// nOperType 0 resets the counter, 1 keeps it, 2 adds one; any other value is
// logged and refused, the counter untouched.
bool UpdateRetryCount(int nOperType, int* counter);

// A closed range of positions.
struct Range {
  int64_t start = 0;
  int64_t end = 0;
};
// 1 when a starts after b ends, -1 when a ends before b starts, else 0 with
// the intersection in out.
int IntersectRange(const Range& a, const Range& b, Range* out);

// A file name cut to about maxBytes for display, its extension kept where
// short; cuts never split a UTF-8 sequence.
std::string ShortenFileName(const std::string& name, int maxBytes);
// The image files of a name's type: "cdBig_<kind>.png" and "cdSmall_<kind>.png".
std::string BigIconName(const std::string& fileName);
std::string SmallIconName(const std::string& fileName);
