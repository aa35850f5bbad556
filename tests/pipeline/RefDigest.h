// The file digest computed apart from the code under test (one-shot SHA256()
// and plain loops), and reproducible test contents.
#pragma once

#include <cstddef>
#include <string>

namespace pipetest {

constexpr size_t kRefChunk = 131072;

std::string RefHex(const std::string& bytes);
// The digest of content: sorted chunk texts, their SHA-256, the "%d" size.
std::string RefDigest(const std::string& content);
std::string Pattern(size_t n, unsigned seed);

}  // namespace pipetest
