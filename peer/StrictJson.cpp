#include "peer/StrictJson.h"

#include <string>

namespace peer {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One scan, no recursion: the nesting is kept in a string of '{' and '['.
class Scanner {
 public:
  Scanner(std::string_view text, size_t maxDepth) : text_(text), maxDepth_(maxDepth) {}

  bool Run() {
    SkipBlanks();
    if (!Value()) return false;
    while (!open_.empty()) {
      SkipBlanks();
      const bool object = open_.back() == '{';
      if (Take(object ? '}' : ']')) {
        open_.pop_back();
        first_ = false;
        continue;
      }
      if (!first_ && !Take(',')) return false;
      first_ = false;
      SkipBlanks();
      if (!(object ? Member() : Value())) return false;
    }
    SkipBlanks();
    return pos_ == text_.size();
  }

 private:
  bool Take(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // A member name, its colon and its value (or the value's opening).
  bool Member() {
    if (!String()) return false;
    SkipBlanks();
    if (!Take(':')) return false;
    SkipBlanks();
    return Value();
  }

  // A scalar value whole, or only the opening of an array or object: Run
  // goes on with its elements.
  bool Value() {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{' || c == '[') {
      if (open_.size() == maxDepth_) return false;
      ++pos_;
      open_ += c;
      first_ = true;
      return true;
    }
    if (c == '"') return String();
    if (c == '-' || IsDigit(c)) return Number();
    return Word("true") || Word("false") || Word("null");
  }

  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Digits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    return pos_ > start;
  }

  bool Number() {
    Take('-');
    if (!Take('0') &&
        (pos_ >= text_.size() || text_[pos_] < '1' || text_[pos_] > '9' || !Digits())) {
      return false;
    }
    if (Take('.') && !Digits()) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }

  bool String() {
    if (!Take('"')) return false;
    while (pos_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') continue;
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      if (e == 'u') {
        for (int i = 0; i < 4; ++i) {
          if (pos_ >= text_.size() || !IsHex(text_[pos_++])) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }

  std::string_view text_;
  size_t maxDepth_;
  size_t pos_ = 0;
  std::string open_;
  bool first_ = false;  // the innermost open array or object has no element yet
};

}  // namespace

bool IsStrictJson(std::string_view text, size_t maxDepth) {
  return Scanner(text, maxDepth).Run();
}

}  // namespace peer
