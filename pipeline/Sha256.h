// Incremental SHA-256 (OpenSSL libcrypto) giving the 64-character lowercase
// hexadecimal text that every digest of kvup is built from.
#pragma once

#include <cstddef>
#include <string>

struct evp_md_ctx_st;

class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;

  void Update(const void* data, size_t n);
  // The text of everything added since construction or the last FinishHex;
  // the hasher starts over afterwards.
  std::string FinishHex();

  static std::string Hex(const void* data, size_t n);

 private:
  void Restart();

  evp_md_ctx_st* ctx_;
};
