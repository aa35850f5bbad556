#include "pipeline/Sha256.h"

#include <openssl/evp.h>

namespace {

std::string ToHex(const unsigned char* bytes, unsigned int n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(n * 2, '0');
  for (unsigned int i = 0; i < n; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0f];
  }
  return text;
}

}  // namespace

CSha256::CSha256() : ctx_(EVP_MD_CTX_new()) {
  Restart();
}

CSha256::~CSha256() {
  EVP_MD_CTX_free(ctx_);
}

void CSha256::Restart() {
  EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr);
}

void CSha256::Update(const void* data, size_t n) {
  EVP_DigestUpdate(ctx_, data, n);
}

std::string CSha256::FinishHex() {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_DigestFinal_ex(ctx_, md, &len);
  Restart();
  return ToHex(md, len);
}

std::string CSha256::Hex(const void* data, size_t n) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(data, n, md, &len, EVP_sha256(), nullptr);
  return ToHex(md, len);
}
