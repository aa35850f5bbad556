// Seeded mutations of HTTP answers for fuzzing a client: truncated bodies,
// flipped bytes, JSON members of the wrong type, huge or negative numbers,
// missing members, garbage status lines, wrong Content-Length, mangled
// headers and swapped status codes. Safe from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>

namespace kvtest {

struct HttpAnswer {
  std::string head;  // status line and headers, up to and with the blank line
  std::string body;
};

class AnswerFuzzer {
 public:
  AnswerFuzzer(uint32_t seed, double share) : random_(seed), share_(share) {}

  // Mutates the answer with the fuzzer's share of probability; true when it
  // did (the connection must then close: its framing may be gone).
  bool MaybeMutate(HttpAnswer* answer);
  std::map<std::string, int64_t> byKind() const;

 private:
  using Mutation = void (AnswerFuzzer::*)(HttpAnswer*);
  void Truncate(HttpAnswer* a);
  void FlipBytes(HttpAnswer* a);
  void WrongType(HttpAnswer* a);
  void HugeNumber(HttpAnswer* a);
  void NegativeNumber(HttpAnswer* a);
  void MissingMember(HttpAnswer* a);
  void GarbageStatusLine(HttpAnswer* a);
  void WrongLength(HttpAnswer* a);
  void MangledHeaders(HttpAnswer* a);
  void SwappedStatus(HttpAnswer* a);
  // Applies change to a member of the answer's JSON picked at random (the
  // file's members first) and writes the body back with its length.
  template <typename Change>
  void ChangeMember(HttpAnswer* a, Change change);
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(random_() % n); }

  mutable std::mutex mu_;
  std::mt19937 random_;  // GUARDED_BY(mu_)
  const double share_;
  std::map<std::string, int64_t> counts_;  // GUARDED_BY(mu_)
};

// The answer's Content-Length header set to length.
void SetContentLength(HttpAnswer* answer, size_t length);

}  // namespace kvtest
