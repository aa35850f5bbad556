#include "peer/CookieValueMask.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace peer {
namespace {

constexpr const char* kMask = "\"***\"";

struct Frame {
  char kind;        // '{' or '['
  std::string key;  // objects: the key of the member being read
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// End (one past the closing quote, or the text's end) of the string at pos.
size_t StringEnd(const std::string& text, size_t pos) {
  for (size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return text.size();
}

// The string's text with its escapes resolved, so that an escaped key still
// names the member it names for the parser.
std::string Unescape(const std::string& text, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin + 1; i < end && text[i] != '"'; ++i) {
    if (text[i] != '\\' || i + 1 >= end) {
      out += text[i];
      continue;
    }
    const char e = text[++i];
    if (e == 'u' && i + 4 < end) {
      const long code = std::strtol(text.substr(i + 1, 4).c_str(), nullptr, 16);
      out += code > 0 && code < 0x80 ? static_cast<char>(code) : '?';
      i += 4;
    } else {
      out += e;
    }
  }
  return out;
}

// End of the value that starts at pos: a string, a nested object or array,
// or a bare word; an unfinished value ends with the text.
size_t ValueEnd(const std::string& text, size_t pos) {
  if (text[pos] == '"') return StringEnd(text, pos);
  if (text[pos] == '{' || text[pos] == '[') {
    int depth = 0;
    for (size_t i = pos; i < text.size(); ++i) {
      if (text[i] == '"') {
        i = StringEnd(text, i) - 1;
      } else if (text[i] == '{' || text[i] == '[') {
        ++depth;
      } else if ((text[i] == '}' || text[i] == ']') && --depth == 0) {
        return i + 1;
      }
    }
    return text.size();
  }
  size_t i = pos;
  while (i < text.size() && !IsBlank(text[i]) && text[i] != ',' && text[i] != '}' &&
         text[i] != ']') {
    ++i;
  }
  return i;
}

bool IsCookieValue(const std::vector<Frame>& stack) {
  return stack.size() == 3 && stack[0].kind == '{' && stack[0].key == "values" &&
         stack[1].kind == '[' && stack[2].kind == '{' && stack[2].key == "value";
}

bool FollowedByColon(const std::string& text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos < text.size() && text[pos] == ':';
}

}  // namespace

std::string MaskCookieValues(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::vector<Frame> stack;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c) || c == ':') {
      out += text[i++];
      continue;
    }
    if (c == ',' || c == '}' || c == ']') {
      if (c != ',' && !stack.empty()) stack.pop_back();
      if (c == ',' && !stack.empty()) stack.back().key.clear();
      out += text[i++];
      continue;
    }
    if (c == '"' && !stack.empty() && stack.back().kind == '{') {
      const size_t end = StringEnd(text, i);
      if (FollowedByColon(text, end)) {
        stack.back().key = Unescape(text, i, end);
        out.append(text, i, end - i);
        i = end;
        continue;
      }
    }
    if (IsCookieValue(stack)) {
      out += kMask;
      i = ValueEnd(text, i);
      continue;
    }
    if (c == '{' || c == '[') {
      stack.push_back(Frame{c, std::string()});
      out += text[i++];
      continue;
    }
    const size_t end = c == '"' ? StringEnd(text, i) : ValueEnd(text, i);
    out.append(text, i, end - i);
    i = end;
  }
  return out;
}

}  // namespace peer
