#include "tools/kvup-service/ChunkDigestStream.h"

#include <algorithm>

void ChunkDigestStream::Feed(const char* data, size_t n) {
  bytes_.fetch_add(static_cast<int64_t>(n), std::memory_order_relaxed);
  while (n > 0) {
    size_t take = std::min(n, CShaDigest::kChunkSize - partialLen_);
    partial_.Update(data, take);
    partialLen_ += take;
    data += take;
    n -= take;
    if (partialLen_ == CShaDigest::kChunkSize) {
      chunks_.AddChunkHex(partial_.FinishHex());
      partialLen_ = 0;
    }
  }
}

std::string ChunkDigestStream::Finish(int64_t size) {
  if (partialLen_ > 0) chunks_.AddChunkHex(partial_.FinishHex());
  std::string digest = chunks_.Finish(size);
  Reset();
  return digest;
}

void ChunkDigestStream::Reset() {
  chunks_.Finish(0);
  partial_.FinishHex();
  partialLen_ = 0;
  bytes_ = 0;
}
