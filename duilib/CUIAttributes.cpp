#include "duilib/CUIAttributes.h"

#include <cctype>
#include <charconv>

namespace DuiLib {
namespace {

void SkipBlanks(const std::string& text, size_t* pos) {
  while (*pos < text.size() && std::isspace(static_cast<unsigned char>(text[*pos]))) ++*pos;
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  SkipBlanks(text, &begin);
  size_t end = text.size();
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

bool CUIAttributes::ParseList(const std::string& text, List* out) {
  size_t pos = 0;
  for (;;) {
    SkipBlanks(text, &pos);
    if (pos >= text.size()) return true;
    const size_t nameBegin = pos;
    while (pos < text.size() && text[pos] != '=' &&
           !std::isspace(static_cast<unsigned char>(text[pos])))
      ++pos;
    std::string name = text.substr(nameBegin, pos - nameBegin);
    SkipBlanks(text, &pos);
    if (name.empty() || pos >= text.size() || text[pos] != '=') return false;
    ++pos;
    SkipBlanks(text, &pos);
    if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) return false;
    const char quote = text[pos++];
    const size_t close = text.find(quote, pos);
    if (close == std::string::npos) return false;
    out->emplace_back(std::move(name), text.substr(pos, close - pos));
    pos = close + 1;
  }
}

bool CUIAttributes::ParseColor(const std::string& raw, uint32_t* argb) {
  const std::string text = Trim(raw);
  std::string digits;
  if (text.size() > 1 && text[0] == '#') {
    digits = text.substr(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    digits = text.substr(2);
  } else {
    return false;
  }
  if (digits.size() != 6 && digits.size() != 8) return false;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  *argb = digits.size() == 6 ? (0xFF000000u | value) : value;
  return true;
}

bool CUIAttributes::ParseInt(const std::string& raw, int* value) {
  const std::string text = Trim(raw);
  if (text.empty()) return false;
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  *value = parsed;
  return true;
}

bool CUIAttributes::ParseBool(const std::string& raw, bool* value) {
  const std::string text = Trim(raw);
  if (text == "true" || text == "1") {
    *value = true;
    return true;
  }
  if (text == "false" || text == "0") {
    *value = false;
    return true;
  }
  return false;
}

bool CUIAttributes::ParseInts(const std::string& text, int* values, int count) {
  size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    const size_t comma = text.find(',', pos);
    const bool last = i == count - 1;
    if (last != (comma == std::string::npos)) return false;
    const std::string part = text.substr(pos, last ? std::string::npos : comma - pos);
    if (!ParseInt(part, &values[i])) return false;
    pos = comma + 1;
  }
  return true;
}

bool CUIAttributes::ParseRect(const std::string& text, RECT* rect) {
  int v[4];
  if (!ParseInts(text, v, 4)) return false;
  *rect = RECT{v[0], v[1], v[2], v[3]};
  return true;
}

bool CUIAttributes::ParseSize(const std::string& text, SIZE* size) {
  int v[2];
  if (!ParseInts(text, v, 2)) return false;
  *size = SIZE{v[0], v[1]};
  return true;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return RECT{};
  return r;
}

}  // namespace DuiLib
