// The file digest that identifies a file towards the service: the SHA-256 text
// of the sorted SHA-256 texts of the file's 131072-byte chunks, followed by the
// size printed with "%d" (only its low 32 bits, read as signed). An empty file
// has an empty digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CShaDigest {
 public:
  static constexpr size_t kChunkSize = 131072;

  // Adds the next chunk of the file (every chunk but the last is kChunkSize long).
  void AddChunk(const void* data, size_t n);
  // Adds a chunk whose SHA-256 text the caller already has.
  void AddChunkHex(std::string hex);
  // The digest of the chunks added so far for a file of `size` bytes; empty when
  // no chunk was added. The collected chunk texts are dropped.
  std::string Finish(int64_t size);

  // Digest and size of a file, read chunk by chunk. `beforeChunk`, when given, is
  // asked before every chunk; false stops the read. Returns false when the file
  // cannot be opened (digest empty, size 0), cannot be read to its end (digest
  // empty, size kept) or the read was stopped (digest empty).
  static bool OfFile(const std::string& path, std::string* digest, int64_t* size,
                     const std::function<bool()>& beforeChunk = {});

  // The "%d" tail of a size.
  static std::string SizeText(int64_t size);

 private:
  std::vector<std::string> chunkHexes_;
};
