// String helpers exported by name for other modules: wildcard matching, ASCII
// lower-casing, splitting and searching, and code-page conversion. Texts are
// in the system code page (UTF-8), so an ASCII separator or pattern character
// never matches a byte inside a multibyte character. Nothing here throws or
// logs; null text pointers count as empty texts.
#pragma once

#include "util/StringTypes.h"

class CStringUtils {
 public:
  // 'A'..'Z' become 'a'..'z'; every other value is returned unchanged.
  static int tolower(int c);
  static int strtolower(int c);
  static int wcstolower(int c);

  // 1 when text matches wild ('*' any run, '?' one unit, no escapes), else 0.
  static int strwildcmp(const char* wild, const char* text);
  static int wildcmp(const char* wild, const char* text);
  static int wcswildcmp(const wchar_t* wild, const wchar_t* text);
  // The same with ASCII letters compared without regard to case.
  static int strwildicmp(const char* wild, const char* text);
  static int wildicmp(const char* wild, const char* text);
  static int wcswildicmp(const wchar_t* wild, const wchar_t* text);

  // Cuts text at each separator. With doubledEscapes a doubled separator is
  // no cut and stands for one separator in its piece; empty pieces are kept
  // only with keepEmpty, and a separator at the end never adds one.
  static void Split(const CString& text, char separator, CStringList& out, int doubledEscapes,
                    int keepEmpty);
  // Cuts text at each occurrence of separator, keeping empty pieces except a
  // trailing one. 0 (out untouched) when text or separator is empty, else 1.
  static int Split(const CString& text, const char* separator, CStringList& out);

  // Index of the first c in text, or -1; the terminator is never found.
  static int IndexOf(const char* text, char c);
  // 1 when text begins with the bytes of prefix, else 0.
  static int StartWith(const CString& text, const char* prefix);
  // The non-empty text between the first open at or after start and the next
  // close: 1 and out set, else 0 and out untouched.
  static int FindBetween(CString& out, const CString& text, const char* open, const char* close,
                         int start);
  // map[text before the first separator] = text after it; 0 when absent.
  static int SplitPair(const CString& text, const char* separator, CMapStringToString& map);

  // Converts sourceLength bytes (-1: through the terminator) between code
  // pages through UTF-16. On success *out is a new[] array of *outLength + 1
  // bytes, zero-terminated, that the caller delete[]s, and the result is 1.
  // On failure *out is null, *outLength 0 and the result 0.
  static int MultiByteToMultiByte(const char* source, int sourceLength, unsigned int fromCodePage,
                                  char** out, int* outLength, unsigned int toCodePage,
                                  unsigned long flags);
};
