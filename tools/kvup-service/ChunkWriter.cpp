#include "tools/kvup-service/ChunkWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pipeline/ShaDigest.h"
#include "tools/kvup-service/ChunkDigestStream.h"

ChunkWriter::~ChunkWriter() {
  Close();
}

void ChunkWriter::Start(int fd, int64_t offset, int64_t limit, ChunkDigestStream* stream) {
  fd_ = fd;
  offset_ = offset;
  limit_ = limit;
  stream_ = stream;
  if (!buf_) buf_.reset(new char[CShaDigest::kChunkSize]);
  used_ = 0;
  dropped_ = 0;
  failed_ = false;
}

bool ChunkWriter::Write(const char* data, size_t n) {
  if (failed_) return false;
  int64_t room = limit_ - offset_ - static_cast<int64_t>(used_);
  size_t take = static_cast<size_t>(std::clamp<int64_t>(room, 0, static_cast<int64_t>(n)));
  dropped_ += static_cast<int64_t>(n - take);
  stream_->Feed(data, take);
  while (take > 0) {
    size_t part = std::min(take, CShaDigest::kChunkSize - used_);
    std::memcpy(buf_.get() + used_, data, part);
    used_ += part;
    data += part;
    take -= part;
    if (used_ == CShaDigest::kChunkSize && !Flush()) return false;
  }
  return true;
}

bool ChunkWriter::Flush() {
  size_t done = 0;
  while (done < used_) {
    ssize_t r =
        ::pwrite(fd_, buf_.get() + done, used_ - done, offset_ + static_cast<int64_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      failed_ = true;
      offset_ += static_cast<int64_t>(done);
      used_ = 0;
      return false;
    }
    done += static_cast<size_t>(r);
  }
  offset_ += static_cast<int64_t>(used_);
  used_ = 0;
  return true;
}

bool ChunkWriter::Close() {
  if (fd_ < 0) return !failed_;
  if (!failed_) Flush();
  ::close(fd_);
  fd_ = -1;
  return !failed_;
}
