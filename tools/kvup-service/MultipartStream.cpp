#include "tools/kvup-service/MultipartStream.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr size_t kMaxHead = 16384;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// The value of `key` among "; "-separated parameters, quotes removed.
bool Parameter(const std::string& text, const std::string& key, std::string* value) {
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find(';', from);
    if (end == std::string::npos) end = text.size();
    std::string item = Trim(text.substr(from, end - from));
    size_t eq = item.find('=');
    if (eq != std::string::npos && Lower(Trim(item.substr(0, eq))) == key) {
      std::string v = Trim(item.substr(eq + 1));
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      *value = v;
      return true;
    }
    from = end + 1;
  }
  return false;
}

}  // namespace

MultipartStream::MultipartStream(std::string boundary, PartFn onPart, DataFn onData)
    : delimiter_("\r\n--" + boundary), onPart_(std::move(onPart)), onData_(std::move(onData)) {
  carry_ = "\r\n";  // the first delimiter has no line break before it
}

bool MultipartStream::BoundaryOf(const std::string& contentType, std::string* boundary) {
  if (Lower(contentType).rfind("multipart/form-data", 0) != 0) return false;
  return Parameter(contentType, "boundary", boundary) && !boundary->empty();
}

std::string MultipartStream::NameOf(const std::string& head) {
  size_t from = 0;
  while (from < head.size()) {
    size_t end = head.find("\r\n", from);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(from, end - from);
    size_t colon = line.find(':');
    if (colon != std::string::npos && Lower(Trim(line.substr(0, colon))) == "content-disposition") {
      std::string name;
      Parameter(line.substr(colon + 1), "name", &name);
      return name;
    }
    from = end + 2;
  }
  return {};
}

bool MultipartStream::Emit(const char* data, size_t n, bool emit) {
  if (emit && n > 0 && !onData_(data, n)) refused_ = true;
  return !refused_;
}

size_t MultipartStream::Scan(const char* data, size_t n, bool emit) {
  const size_t d = delimiter_.size();
  size_t used = 0;
  if (!carry_.empty()) {
    // A delimiter that starts in the carried bytes ends within d - 1 bytes of data.
    const size_t k = std::min(n, d - 1);
    std::string join = carry_;
    join.append(data, k);
    const size_t at = join.find(delimiter_);
    if (at != std::string::npos && at < carry_.size()) {
      Emit(join.data(), at, emit);
      used = at + d - carry_.size();
      carry_.clear();
      state_ = State::kAfterDelimiter;
      return used;
    }
    if (k == n) {  // everything is in `join`: keep what may still begin a delimiter
      const size_t keep = std::min(join.size(), d - 1);
      Emit(join.data(), join.size() - keep, emit);
      carry_ = join.substr(join.size() - keep);
      return n;
    }
    Emit(carry_.data(), carry_.size(), emit);
    carry_.clear();
  }
  const void* hit = ::memmem(data, n, delimiter_.data(), d);
  if (hit) {
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - data);
    Emit(data, at, emit);
    state_ = State::kAfterDelimiter;
    return at + d;
  }
  const size_t keep = std::min(n, d - 1);
  Emit(data, n - keep, emit);
  carry_.assign(data + n - keep, keep);
  return n;
}

bool MultipartStream::Feed(const char* data, size_t n) {
  while (n > 0 && state_ != State::kFailed && !refused_) {
    size_t used = 0;
    switch (state_) {
      case State::kPreamble:
      case State::kContent:
        used = Scan(data, n, state_ == State::kContent);
        break;
      case State::kAfterDelimiter: {
        // "--" ends the body; otherwise optional blanks and a line break start a head.
        carry_.push_back(*data);
        used = 1;
        if (carry_ == "--") {
          carry_.clear();
          state_ = State::kEpilogue;
        } else if (carry_.size() >= 2 && carry_.compare(carry_.size() - 2, 2, "\r\n") == 0) {
          if (carry_.find_first_not_of(" \t") != carry_.size() - 2) state_ = State::kFailed;
          carry_ = "\r\n";  // the head starts after the delimiter's line
          if (state_ != State::kFailed) state_ = State::kHead;
        } else if (carry_ != "-" && carry_.find_first_not_of(" \t\r") != std::string::npos) {
          state_ = State::kFailed;
        } else if (carry_.size() > 256) {
          state_ = State::kFailed;
        }
        break;
      }
      case State::kHead: {
        const size_t before = carry_.size();
        carry_.append(data, std::min(n, kMaxHead));
        const size_t end = carry_.find("\r\n\r\n", before >= 3 ? before - 3 : 0);
        if (end == std::string::npos) {
          used = carry_.size() - before;
          if (carry_.size() > kMaxHead) state_ = State::kFailed;
          break;
        }
        used = end + 4 - before;
        const std::string head = end >= 2 ? carry_.substr(2, end - 2) : std::string();
        carry_.clear();
        state_ = State::kContent;
        if (!onPart_(NameOf(head))) refused_ = true;
        break;
      }
      case State::kEpilogue:
        used = n;
        break;
      case State::kFailed:
        break;
    }
    data += used;
    n -= used;
  }
  return state_ != State::kFailed && !refused_;
}
