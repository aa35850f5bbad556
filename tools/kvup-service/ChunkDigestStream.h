// Digest of a file whose bytes arrive in order, in pieces of any length: the
// 131072-byte chunk texts are computed as the bytes come, so completion needs
// no second read of the content.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "pipeline/Sha256.h"
#include "pipeline/ShaDigest.h"

class ChunkDigestStream {
 public:
  void Feed(const char* data, size_t n);
  // Safe to read from any thread while one thread feeds.
  int64_t Bytes() const { return bytes_.load(std::memory_order_relaxed); }
  // The digest of everything fed, for a file of `size` bytes; starts over.
  std::string Finish(int64_t size);
  void Reset();

 private:
  CShaDigest chunks_;
  CSha256 partial_;
  size_t partialLen_ = 0;
  std::atomic<int64_t> bytes_{0};
};
