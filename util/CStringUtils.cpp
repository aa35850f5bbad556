#include "util/CStringUtils.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/TextEncoding.h"

namespace {

int FoldNone(int c) {
  return c;
}

template <typename Ch>
const Ch* OrEmpty(const Ch* text) {
  static const Ch empty[1] = {0};
  return text != nullptr ? text : empty;
}

// m remembers the pattern position after the last star, c the text position
// from which that star's next try starts.
template <typename Ch>
int WildMatch(const Ch* wild, const Ch* text, int (*fold)(int)) {
  wild = OrEmpty(wild);
  text = OrEmpty(text);
  const auto same = [fold](Ch a, Ch b) {
    return fold(static_cast<int>(a)) == fold(static_cast<int>(b));
  };
  while (*text != 0 && *wild != '*') {
    if (!same(*wild, *text) && *wild != '?') return 0;
    ++wild;
    ++text;
  }
  const Ch* m = nullptr;
  const Ch* c = nullptr;
  while (*text != 0) {
    if (*wild == '*') {
      if (*++wild == 0) return 1;
      m = wild;
      c = text + 1;
    } else if (same(*wild, *text) || *wild == '?') {
      ++wild;
      ++text;
    } else {
      wild = m;
      text = c++;
    }
  }
  while (*wild == '*') ++wild;
  return *wild == 0 ? 1 : 0;
}

// Every pair of separators in a piece that held skipped pairs stands for one.
std::string CollapsePairs(const std::string& piece, char separator) {
  std::string result;
  result.reserve(piece.size());
  for (size_t i = 0; i < piece.size(); ++i) {
    result.push_back(piece[i]);
    if (piece[i] == separator && i + 1 < piece.size() && piece[i + 1] == separator) ++i;
  }
  return result;
}

void AppendPiece(const std::string& piece, bool hasPairs, char separator, int keepEmpty,
                 CStringList& out) {
  if (piece.empty() && keepEmpty == 0) return;
  out.push_back(hasPairs ? CollapsePairs(piece, separator) : piece);
}

}  // namespace

int CStringUtils::tolower(int c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

int CStringUtils::strtolower(int c) {
  return tolower(c);
}

int CStringUtils::wcstolower(int c) {
  return tolower(c);
}

int CStringUtils::strwildcmp(const char* wild, const char* text) {
  return WildMatch(wild, text, FoldNone);
}

int CStringUtils::wildcmp(const char* wild, const char* text) {
  return strwildcmp(wild, text);
}

int CStringUtils::wcswildcmp(const wchar_t* wild, const wchar_t* text) {
  return WildMatch(wild, text, FoldNone);
}

int CStringUtils::strwildicmp(const char* wild, const char* text) {
  return WildMatch(wild, text, tolower);
}

int CStringUtils::wildicmp(const char* wild, const char* text) {
  return strwildicmp(wild, text);
}

int CStringUtils::wcswildicmp(const wchar_t* wild, const wchar_t* text) {
  return WildMatch(wild, text, tolower);
}

void CStringUtils::Split(const CString& text, char separator, CStringList& out, int doubledEscapes,
                         int keepEmpty) {
  size_t start = 0;
  size_t pos = 0;
  bool hasPairs = false;
  for (;;) {
    const size_t found = text.find(separator, pos);
    if (found == std::string::npos) break;
    if (doubledEscapes != 0 && found + 1 < text.size() && text[found + 1] == separator) {
      hasPairs = true;
      pos = found + 2;
      continue;
    }
    AppendPiece(text.substr(start, found - start), hasPairs, separator, keepEmpty, out);
    start = pos = found + 1;
    hasPairs = false;
  }
  if (start < text.size()) AppendPiece(text.substr(start), hasPairs, separator, keepEmpty, out);
}

int CStringUtils::Split(const CString& text, const char* separator, CStringList& out) {
  if (separator == nullptr || *separator == '\0' || text.empty()) return 0;
  const size_t length = std::strlen(separator);
  size_t pos = 0;
  for (size_t found; (found = text.find(separator, pos)) != std::string::npos;) {
    out.push_back(text.substr(pos, found - pos));
    pos = found + length;
  }
  if (pos < text.size()) out.push_back(text.substr(pos));
  return 1;
}

int CStringUtils::IndexOf(const char* text, char c) {
  if (text == nullptr || c == '\0') return -1;
  const char* found = std::strchr(text, c);
  return found != nullptr ? static_cast<int>(found - text) : -1;
}

int CStringUtils::StartWith(const CString& text, const char* prefix) {
  const std::string_view p = OrEmpty(prefix);
  return text.size() >= p.size() && text.compare(0, p.size(), p) == 0 ? 1 : 0;
}

int CStringUtils::FindBetween(CString& out, const CString& text, const char* open,
                              const char* close, int start) {
  if (open == nullptr || close == nullptr || start < 0) return 0;
  const size_t at = text.find(open, static_cast<size_t>(start));
  if (at == std::string::npos) return 0;
  const size_t begin = at + std::strlen(open);
  const size_t end = text.find(close, begin);
  if (end == std::string::npos || end == begin) return 0;
  out = text.substr(begin, end - begin);
  return 1;
}

int CStringUtils::SplitPair(const CString& text, const char* separator, CMapStringToString& map) {
  if (separator == nullptr || *separator == '\0') return 0;
  const size_t at = text.find(separator);
  if (at == std::string::npos) return 0;
  map[text.substr(0, at)] = text.substr(at + std::strlen(separator));
  return 1;
}

int CStringUtils::MultiByteToMultiByte(const char* source, int sourceLength,
                                       unsigned int fromCodePage, char** out, int* outLength,
                                       unsigned int toCodePage, unsigned long flags) {
  if (out == nullptr || outLength == nullptr) return 0;
  *out = nullptr;
  *outLength = 0;
  const int wideLength =
      platform::MultiByteToWideChar(fromCodePage, flags, source, sourceLength, nullptr, 0);
  if (wideLength == 0) return 0;
  std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[wideLength]);
  if (!wide) return 0;
  if (platform::MultiByteToWideChar(fromCodePage, flags, source, sourceLength, wide.get(),
                                    wideLength) != wideLength)
    return 0;
  const int length =
      platform::WideCharToMultiByte(toCodePage, 0, wide.get(), wideLength, nullptr, 0);
  if (length == 0) return 0;
  std::unique_ptr<char[]> bytes(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
  if (!bytes) return 0;
  if (platform::WideCharToMultiByte(toCodePage, 0, wide.get(), wideLength, bytes.get(), length) !=
      length)
    return 0;
  bytes[length] = '\0';
  *outLength = length;
  *out = bytes.release();
  return 1;
}
