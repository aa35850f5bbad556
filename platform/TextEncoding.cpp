#include "platform/TextEncoding.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/LastError.h"

namespace platform {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr char16_t kReplacement = 0xFFFD;
const char* const kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

bool IsUtf8CodePage(unsigned codePage) {
  return codePage == kCodePageSystem || codePage == kCodePageUtf8;
}

bool Fail(uint32_t code) {
  SetLastError(code);
  return false;
}

int FailCount(uint32_t code) {
  SetLastError(code);
  return 0;
}

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) {
  return b >= lo && b <= hi;
}

// Decodes the sequence at s[i]. Returns its length; *cp is kInvalid for an
// ill-formed sequence, whose length is then its longest valid beginning (at
// least one byte), so that each bad run becomes exactly one replacement.
size_t DecodeOne(std::string_view s, size_t i, char32_t* cp) {
  const auto lead = static_cast<unsigned char>(s[i]);
  *cp = kInvalid;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  }
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (InRange(lead, 0xC2, 0xDF)) {
    need = 1;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    need = 2;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (InRange(lead, 0xF0, 0xF4)) {
    need = 3;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  char32_t value = lead & (0x3F >> need);
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return k;
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (!InRange(b, lo, hi)) return k;
    lo = 0x80;
    hi = 0xBF;
    value = (value << 6) | (b & 0x3F);
  }
  *cp = value;
  return need + 1;
}

void AppendUtf16(char32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHigh(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

bool Utf8ToUtf16(unsigned long flags, std::string_view in, std::u16string* out) {
  std::u16string result;
  result.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    char32_t cp;
    i += DecodeOne(in, i, &cp);
    if (cp == kInvalid && (flags & kMbErrInvalidChars) != 0)
      return Fail(kErrorNoUnicodeTranslation);
    AppendUtf16(cp == kInvalid ? kReplacement : cp, &result);
  }
  *out = std::move(result);
  return true;
}

bool Utf16ToUtf8(unsigned long flags, std::u16string_view in, std::string* out) {
  std::string result;
  result.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (IsHigh(in[i]) && i + 1 < in.size() && IsLow(in[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (IsHigh(in[i]) || IsLow(in[i])) {
      if ((flags & kWcErrInvalidChars) != 0) return Fail(kErrorNoUnicodeTranslation);
      cp = kReplacement;
    }
    AppendUtf8(cp, &result);
  }
  *out = std::move(result);
  return true;
}

// How many input bytes an unconvertible character at p occupies.
using SkipFn = size_t (*)(const char* p, size_t left);

size_t SkipByte(const char*, size_t) {
  return 1;
}

size_t SkipUtf16Char(const char* p, size_t left) {
  if (left < 2) return left;
  char16_t units[2] = {0, 0};
  std::memcpy(units, p, left >= 4 ? 4 : 2);
  return left >= 4 && IsHigh(units[0]) && IsLow(units[1]) ? 4 : 2;
}

// Runs iconv over the whole input; each unconvertible character is replaced
// (or fails the conversion when strict).
bool Iconv(const std::string& to, const std::string& from, std::string_view in, SkipFn skip,
           std::string_view replacement, bool strict, std::string* out) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return Fail(kErrorInvalidParameter);
  std::string result;
  char buf[4096];
  char* inp = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  bool ok = true;
  for (bool flushed = false; ok && !flushed;) {
    char* outp = buf;
    size_t outLeft = sizeof buf;
    const bool flushing = inLeft == 0;
    const size_t r = flushing ? iconv(cd, nullptr, nullptr, &outp, &outLeft)
                              : iconv(cd, &inp, &inLeft, &outp, &outLeft);
    const int err = errno;
    result.append(buf, static_cast<size_t>(outp - buf));
    if (r != static_cast<size_t>(-1)) {
      flushed = flushing;
    } else if (err == EILSEQ || err == EINVAL) {
      ok = !strict;
      const size_t n = skip(inp, inLeft);
      inp += n;
      inLeft -= n;
      result.append(replacement);
    } else if (err != E2BIG) {
      ok = false;
    }
  }
  iconv_close(cd);
  if (!ok) return Fail(kErrorNoUnicodeTranslation);
  *out = std::move(result);
  return true;
}

std::string IconvName(unsigned codePage) {
  return "CP" + std::to_string(codePage);
}

int CopyOut(const void* data, size_t count, size_t unit, void* out, int outLen) {
  if (count > static_cast<size_t>(INT_MAX)) return FailCount(kErrorInvalidParameter);
  if (outLen == 0) return static_cast<int>(count);
  if (count > static_cast<size_t>(outLen)) return FailCount(kErrorInsufficientBuffer);
  std::memcpy(out, data, count * unit);
  return static_cast<int>(count);
}

bool BadArguments(const void* src, int srcLen, const void* out, int outLen) {
  return src == nullptr || srcLen == 0 || srcLen < -1 || outLen < 0 ||
         (outLen > 0 && out == nullptr);
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    i += DecodeOne(text, i, &cp);
    if (cp == kInvalid) return false;
  }
  return true;
}

size_t Utf8SafeCut(std::string_view text, size_t maxBytes) {
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    const size_t n = DecodeOne(text, pos, &cp);
    if (pos + n > maxBytes) break;
    pos += n;
  }
  return pos;
}

bool DecodeToUtf16(unsigned codePage, unsigned long flags, std::string_view in,
                   std::u16string* out) {
  if (IsUtf8CodePage(codePage)) return Utf8ToUtf16(flags, in, out);
  std::string bytes;
  const std::string_view replacement(reinterpret_cast<const char*>(&kReplacement), 2);
  const bool strict = (flags & kMbErrInvalidChars) != 0;
  if (!Iconv(kUtf16Native, IconvName(codePage), in, SkipByte, replacement, strict, &bytes))
    return false;
  out->assign(bytes.size() / 2, u'\0');
  std::memcpy(out->data(), bytes.data(), out->size() * 2);
  return true;
}

bool EncodeFromUtf16(unsigned codePage, unsigned long flags, std::u16string_view in,
                     std::string* out) {
  if (IsUtf8CodePage(codePage)) return Utf16ToUtf8(flags, in, out);
  const std::string_view bytes(reinterpret_cast<const char*>(in.data()), in.size() * 2);
  const bool strict = (flags & kWcErrInvalidChars) != 0;
  return Iconv(IconvName(codePage), kUtf16Native, bytes, SkipUtf16Char, "?", strict, out);
}

int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* src, int srcLen,
                        char16_t* out, int outLen) {
  if (BadArguments(src, srcLen, out, outLen)) return FailCount(kErrorInvalidParameter);
  const size_t n = srcLen == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
  std::u16string wide;
  if (!DecodeToUtf16(codePage, flags, std::string_view(src, n), &wide)) return 0;
  return CopyOut(wide.data(), wide.size(), sizeof(char16_t), out, outLen);
}

int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* src, int srcLen,
                        char* out, int outLen) {
  if (BadArguments(src, srcLen, out, outLen)) return FailCount(kErrorInvalidParameter);
  size_t n = static_cast<size_t>(srcLen);
  if (srcLen == -1) n = std::char_traits<char16_t>::length(src) + 1;
  std::string bytes;
  if (!EncodeFromUtf16(codePage, flags, std::u16string_view(src, n), &bytes)) return 0;
  return CopyOut(bytes.data(), bytes.size(), 1, out, outLen);
}

}  // namespace platform
