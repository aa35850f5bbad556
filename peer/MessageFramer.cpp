#include "peer/MessageFramer.h"

#include <utility>

namespace peer {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

}  // namespace

void MessageFramer::Feed(const char* data, size_t size) {
  input_.append(data, size);
}

void MessageFramer::Reset() {
  current_.clear();
  inObject_ = false;
  inJunk_ = false;
  depth_ = 0;
  inString_ = false;
  escaped_ = false;
}

bool MessageFramer::ScanObjectByte(char c) {
  if (inString_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
    }
    return false;
  }
  if (c == '"') {
    inString_ = true;
  } else if (c == '{') {
    ++depth_;
  } else if (c == '}') {
    return --depth_ == 0;
  }
  return false;
}

MessageFramer::Result MessageFramer::Next(std::string* message, size_t* dropped) {
  while (pos_ < input_.size()) {
    const char c = input_[pos_];
    if (!inObject_ && !inJunk_) {
      if (IsBlank(c)) {
        ++pos_;
        continue;
      }
      inObject_ = c == '{';
      inJunk_ = !inObject_;
    }
    if (inJunk_ && c == '{') {
      *message = std::move(current_);
      Reset();
      return Result::kMessage;
    }
    ++pos_;
    current_ += c;
    if (current_.size() > kMaxMessage) {
      // Its end may never come (an unbalanced brace), so the bytes after the
      // cut are framed afresh rather than skipped until the braces balance.
      *dropped = current_.size();
      Reset();
      return Result::kDropped;
    }
    if (inObject_ && ScanObjectByte(c)) {
      *message = std::move(current_);
      Reset();
      return Result::kMessage;
    }
  }
  input_.clear();
  pos_ = 0;
  if (inJunk_ && !current_.empty()) {
    *message = std::move(current_);
    Reset();
    return Result::kMessage;
  }
  return Result::kNone;
}

}  // namespace peer
