// A streaming multipart/form-data parser for request bodies read in pieces of
// any length: part heads are gathered, part contents are handed on as they
// come, searched for the next delimiter with memmem (no per-byte work in
// C++). Replaces httplib's own multipart parser on the chunk endpoint, whose
// per-piece re-scanning cost more than the rest of the request.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class MultipartStream {
 public:
  // A new part begins; `name` is the name of its Content-Disposition.
  using PartFn = std::function<bool(const std::string& name)>;
  // Content bytes of the current part.
  using DataFn = std::function<bool(const char* data, size_t n)>;

  MultipartStream(std::string boundary, PartFn onPart, DataFn onData);

  // The boundary parameter of a multipart/form-data Content-Type; false when absent.
  static bool BoundaryOf(const std::string& contentType, std::string* boundary);
  // The name parameter of a part head's Content-Disposition; empty when absent.
  static std::string NameOf(const std::string& head);

  // False when the body is malformed or a callback refused.
  bool Feed(const char* data, size_t n);
  // True when the closing delimiter has been read.
  bool Complete() const { return state_ == State::kEpilogue; }

 private:
  enum class State { kPreamble, kAfterDelimiter, kHead, kContent, kEpilogue, kFailed };

  // Preamble and content: hands on bytes up to the delimiter; returns the bytes used.
  size_t Scan(const char* data, size_t n, bool emit);
  bool Emit(const char* data, size_t n, bool emit);

  const std::string delimiter_;  // "\r\n--" boundary
  PartFn onPart_;
  DataFn onData_;
  State state_ = State::kPreamble;
  std::string carry_;  // bytes that may begin a delimiter, or the head or delimiter tail so far
  bool refused_ = false;
};
