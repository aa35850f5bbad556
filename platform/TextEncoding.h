// Text encodings. The system code page is UTF-8: file names and program texts
// are UTF-8 bytes, so converting them is validation plus identity. Other code
// pages (936 = GBK, and further Windows numbers as iconv knows them) go
// through iconv. Failures return 0/false and set the thread's last error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr unsigned kCodePageSystem = 0;  // CP_ACP
constexpr unsigned kCodePageGbk = 936;
constexpr unsigned kCodePageUtf8 = 65001;

// Decoding: fail on an invalid sequence instead of replacing it with U+FFFD.
constexpr unsigned long kMbErrInvalidChars = 0x8;
// Encoding to UTF-8: fail on a lone surrogate instead of writing U+FFFD.
constexpr unsigned long kWcErrInvalidChars = 0x80;

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// The length of the longest prefix of text, at most maxBytes, that does not
// end inside a UTF-8 sequence (invalid bytes count as sequences of one).
size_t Utf8SafeCut(std::string_view text, size_t maxBytes);

// The Windows calls: srcLen -1 converts through the terminator (which is then
// counted); srcLen 0 fails. With outLen 0 the needed count is returned and out
// is not touched; a too small outLen fails with kErrorInsufficientBuffer.
// Invalid input becomes U+FFFD ('?' for targets other than UTF-8) unless the
// error flag is given, then it fails with kErrorNoUnicodeTranslation.
int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* src, int srcLen,
                        char16_t* out, int outLen);
int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* src, int srcLen,
                        char* out, int outLen);

// The same conversions on whole strings; out is replaced on success.
bool DecodeToUtf16(unsigned codePage, unsigned long flags, std::string_view in,
                   std::u16string* out);
bool EncodeFromUtf16(unsigned codePage, unsigned long flags, std::u16string_view in,
                     std::string* out);

}  // namespace platform
