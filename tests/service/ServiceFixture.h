// A stand-in service with two accounts (s1 -> alice, s2 -> bob) and the
// requests kvup makes, spelled out as kvup sends them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/HttpCall.h"
#include "common/StandInService.h"

namespace svctest {

using kvtest::HttpCall;
using kvtest::Reply;

constexpr size_t kChunk = 131072;

std::string Pattern(size_t n, unsigned seed);
std::string DigestOf(const std::string& content);

class ServiceTest : public ::testing::Test {
 protected:
  explicit ServiceTest(std::vector<std::string> extra = {});
  void SetUp() override;

  HttpCall Http() const { return HttpCall(service_.BaseUrl()); }
  Reply List(const std::string& session, int64_t pid = 0) const;
  int64_t RootId(const std::string& session = "s1") const;
  Reply CreatePath(const std::string& session, const std::string& path) const;
  Reply Init(const std::string& session, int64_t pid, const std::string& name, int64_t size,
             int64_t fid = 0) const;
  Reply FileInfo(const std::string& session, int64_t fid) const;
  Reply Delete(const std::string& session, int64_t fid) const;
  Reply Chunk(const std::string& session, int64_t fid, int64_t breakPoint, const std::string& hash,
              int64_t size, const std::string& bytes) const;
  // Sends content[from, to) in 131072-byte chunks; returns the last reply.
  Reply SendRange(const std::string& session, int64_t fid, const std::string& content, size_t from,
                  size_t to) const;
  // Init + every chunk; returns the file id (0 on failure).
  int64_t Upload(const std::string& session, int64_t pid, const std::string& name,
                 const std::string& content) const;
  // The inspection listing of an account.
  Json::Value Tree(const std::string& account) const;
  Json::Value TreeEntry(const std::string& account, int64_t id) const;

  kvtest::StandInService service_;
};

}  // namespace svctest
