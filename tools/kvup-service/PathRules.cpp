#include "tools/kvup-service/PathRules.h"

#include <cstdint>

bool PathRules::ValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra = c < 0x80           ? 0
                   : (c >> 5) == 0x6  ? 1
                   : (c >> 4) == 0xe  ? 2
                   : (c >> 3) == 0x1e ? 3
                                      : 9;
    if (extra == 9 || (extra == 1 && c < 0xc2) || i + extra >= text.size()) return false;
    uint32_t cp = extra == 0 ? c : c & (0x3f >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xc0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3f);
    }
    bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
    i += extra + 1;
  }
  return true;
}

bool PathRules::ValidName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
  }
  return ValidUtf8(name);
}

bool PathRules::Split(const std::string& path, std::vector<std::string>* parts) {
  parts->clear();
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/' && path[i] != '\\') continue;
    std::string part = path.substr(start, i - start);
    if (!ValidName(part)) return false;
    parts->push_back(part);
    start = i + 1;
  }
  return true;
}
