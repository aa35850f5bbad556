// Writes one chunk request's bytes into an open upload's content file at the
// upload's break point, feeding the upload's digest stream as they come.
// Bytes are gathered into one 131072-byte buffer, so a chunk costs one write.
// Used by one request-handler thread at a time; CloudStore hands it out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class ChunkDigestStream;

class ChunkWriter {
 public:
  ChunkWriter() = default;
  ~ChunkWriter();
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;

  void Start(int fd, int64_t offset, int64_t limit, ChunkDigestStream* stream);
  bool Active() const { return fd_ >= 0; }
  // Takes the next bytes of the chunk; bytes beyond the file's size are dropped.
  // False after a write failure.
  bool Write(const char* data, size_t n);
  // Writes what is buffered and closes the file; false when some write failed.
  bool Close();
  int64_t WrittenEnd() const { return offset_; }
  int64_t Dropped() const { return dropped_; }

  // Set by CloudStore for its own bookkeeping.
  std::string account;
  int64_t fid = 0;

 private:
  bool Flush();

  int fd_ = -1;
  int64_t offset_ = 0;  // file offset of the first buffered byte
  int64_t limit_ = 0;
  ChunkDigestStream* stream_ = nullptr;
  std::unique_ptr<char[]> buf_;
  size_t used_ = 0;
  int64_t dropped_ = 0;
  bool failed_ = false;
};
