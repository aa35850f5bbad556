#include "pipeline/ShaDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "pipeline/Sha256.h"
#include "platform/FileSystem.h"

namespace {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

// Reads exactly n bytes unless the file ends first; -1 on a read error.
ssize_t ReadFull(int fd, char* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, buf + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

void CShaDigest::AddChunk(const void* data, size_t n) {
  chunkHexes_.push_back(CSha256::Hex(data, n));
}

void CShaDigest::AddChunkHex(std::string hex) {
  chunkHexes_.push_back(std::move(hex));
}

std::string CShaDigest::SizeText(int64_t size) {
  char text[16];
  std::snprintf(text, sizeof text, "%d",
                static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(size))));
  return text;
}

std::string CShaDigest::Finish(int64_t size) {
  if (chunkHexes_.empty()) return {};
  std::sort(chunkHexes_.begin(), chunkHexes_.end());
  CSha256 outer;
  for (const std::string& hex : chunkHexes_) outer.Update(hex.data(), hex.size());
  chunkHexes_.clear();
  return outer.FinishHex() + SizeText(size);
}

bool CShaDigest::OfFile(const std::string& path, std::string* digest, int64_t* size,
                        const std::function<bool()>& beforeChunk) {
  digest->clear();
  *size = 0;
  FdCloser file{platform::OpenRegularFile(path)};
  struct stat st;
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = st.st_size;
  if (*size == 0) return true;
  std::unique_ptr<char[]> buf(new char[kChunkSize]);
  CShaDigest chunks;
  for (int64_t remaining = *size; remaining > 0;) {
    if (beforeChunk && !beforeChunk()) return false;
    size_t want = static_cast<size_t>(std::min<int64_t>(remaining, kChunkSize));
    ssize_t got = ReadFull(file.fd, buf.get(), want);
    if (got != static_cast<ssize_t>(want)) return false;
    chunks.AddChunk(buf.get(), want);
    remaining -= static_cast<int64_t>(want);
  }
  *digest = chunks.Finish(*size);
  return true;
}
