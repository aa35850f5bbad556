#include "RefDigest.h"

#include <openssl/sha.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pipetest {

std::string RefHex(const std::string& bytes) {
  unsigned char md[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), md);
  std::string out;
  char two[3];
  for (unsigned char b : md) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

std::string RefDigest(const std::string& content) {
  if (content.empty()) return "";
  std::vector<std::string> texts;
  for (size_t at = 0; at < content.size(); at += kRefChunk)
    texts.push_back(RefHex(content.substr(at, kRefChunk)));
  std::sort(texts.begin(), texts.end());
  std::string joined;
  for (const auto& t : texts) joined += t;
  return RefHex(joined) + std::to_string(content.size());
}

std::string Pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 24);
  }
  return s;
}

}  // namespace pipetest
