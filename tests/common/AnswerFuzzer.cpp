#include "common/AnswerFuzzer.h"

#include <json/json.h>
#include <strings.h>

#include <memory>
#include <utility>
#include <vector>

namespace kvtest {
namespace {

std::string Compact(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return Json::writeString(builder, value);
}

bool Parse(const std::string& text, Json::Value* out) {
  Json::CharReaderBuilder builder;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  return reader->parse(text.data(), text.data() + text.size(), out, &errors) && out->isObject();
}

// The objects whose members a mutation may change: the file first, then
// the data, then the envelope.
std::vector<Json::Value*> Targets(Json::Value& root) {
  std::vector<Json::Value*> out;
  Json::Value& data = root["data"];
  if (data.isObject() && data["file"].isObject()) out.push_back(&data["file"]);
  if (data.isObject()) out.push_back(&data);
  out.push_back(&root);
  return out;
}

size_t HeaderLineEnd(const std::string& head, size_t from) {
  const size_t end = head.find("\r\n", from);
  return end == std::string::npos ? head.size() : end;
}

}  // namespace

void SetContentLength(HttpAnswer* answer, size_t length) {
  std::string& head = answer->head;
  for (size_t at = head.find("\r\n"); at != std::string::npos && at + 2 < head.size();
       at = head.find("\r\n", at + 2)) {
    const size_t start = at + 2;
    const size_t end = HeaderLineEnd(head, start);
    const std::string line = head.substr(start, end - start);
    if (line.size() < 15 || strncasecmp(line.c_str(), "content-length:", 15) != 0) continue;
    head.replace(start, end - start, "Content-Length: " + std::to_string(length));
    return;
  }
}

bool AnswerFuzzer::MaybeMutate(HttpAnswer* answer) {
  static const std::pair<const char*, Mutation> kMutations[] = {
      {"truncate", &AnswerFuzzer::Truncate},
      {"flip", &AnswerFuzzer::FlipBytes},
      {"type", &AnswerFuzzer::WrongType},
      {"huge", &AnswerFuzzer::HugeNumber},
      {"negative", &AnswerFuzzer::NegativeNumber},
      {"missing", &AnswerFuzzer::MissingMember},
      {"status-line", &AnswerFuzzer::GarbageStatusLine},
      {"length", &AnswerFuzzer::WrongLength},
      {"headers", &AnswerFuzzer::MangledHeaders},
      {"status", &AnswerFuzzer::SwappedStatus},
  };
  std::lock_guard<std::mutex> lock(mu_);
  if (std::uniform_real_distribution<double>(0, 1)(random_) >= share_) return false;
  const auto& [name, mutation] = kMutations[Below(std::size(kMutations))];
  (this->*mutation)(answer);
  ++counts_[name];
  return true;
}

std::map<std::string, int64_t> AnswerFuzzer::byKind() const {
  std::lock_guard<std::mutex> lock(mu_);
  return counts_;
}

void AnswerFuzzer::Truncate(HttpAnswer* a) {
  a->body.resize(Below(a->body.size()));
}

void AnswerFuzzer::FlipBytes(HttpAnswer* a) {
  if (a->body.empty()) return Truncate(a);
  for (size_t n = 1 + Below(4); n > 0; --n)
    a->body[Below(a->body.size())] ^= static_cast<char>(1 + Below(255));
}

template <typename Change>
void AnswerFuzzer::ChangeMember(HttpAnswer* a, Change change) {
  Json::Value root;
  if (!Parse(a->body, &root)) return FlipBytes(a);
  std::vector<Json::Value*> targets = Targets(root);
  Json::Value* target = targets[Below(2) == 0 ? 0 : Below(targets.size())];
  const std::vector<std::string> names = target->getMemberNames();
  if (names.empty()) return FlipBytes(a);
  change(*target, names[Below(names.size())]);
  a->body = Compact(root);
  SetContentLength(a, a->body.size());
}

void AnswerFuzzer::WrongType(HttpAnswer* a) {
  const size_t pick = Below(6);
  ChangeMember(a, [pick](Json::Value& object, const std::string& name) {
    const Json::Value kinds[] = {Json::Value("12x"),
                                 Json::Value(Json::arrayValue),
                                 Json::Value(Json::objectValue),
                                 Json::Value(),
                                 Json::Value(true),
                                 Json::Value(1.5)};
    object[name] = kinds[pick];
  });
}

void AnswerFuzzer::HugeNumber(HttpAnswer* a) {
  const size_t pick = Below(3);
  ChangeMember(a, [pick](Json::Value& object, const std::string& name) {
    const Json::Value kinds[] = {Json::Value(Json::UInt64(18446744073709551615ull)),
                                 Json::Value(Json::Int64(9223372036854775807ll)),
                                 Json::Value(1e300)};
    object[name] = kinds[pick];
  });
}

void AnswerFuzzer::NegativeNumber(HttpAnswer* a) {
  const Json::Int64 value = -1 - static_cast<Json::Int64>(Below(200000));
  ChangeMember(a, [value](Json::Value& object, const std::string& name) {
    // The break point most of all: it steers the next chunk.
    object[object.isMember("breakPoint") ? std::string("breakPoint") : name] = value;
  });
}

void AnswerFuzzer::MissingMember(HttpAnswer* a) {
  ChangeMember(a, [](Json::Value& object, const std::string& name) { object.removeMember(name); });
}

void AnswerFuzzer::GarbageStatusLine(HttpAnswer* a) {
  static const char* const kLines[] = {"HTTP/1.1 2x0 OK", "HTTP/1.1 -200 OK",
                                       "XYZZY",           "HTTP/1.1 99999999999999999999 Big",
                                       "HTTP/9 200",      ""};
  const size_t end = HeaderLineEnd(a->head, 0);
  a->head.replace(0, end, kLines[Below(std::size(kLines))]);
}

void AnswerFuzzer::WrongLength(HttpAnswer* a) {
  const size_t size = a->body.size();
  SetContentLength(a, Below(2) == 0 ? size + 1 + Below(1000) : Below(size));
}

void AnswerFuzzer::MangledHeaders(HttpAnswer* a) {
  const size_t end = HeaderLineEnd(a->head, 0);
  static const char* const kHeaders[] = {
      "\r\nContent-Length: 3",          "\r\nContent-Length: -7",      "\r\nContent-Length: abc",
      "\r\nTransfer-Encoding: chunked", "\r\nX-Garbage: \x01\x02\xff", "\r\n: no name"};
  a->head.insert(end, kHeaders[Below(std::size(kHeaders))]);
}

void AnswerFuzzer::SwappedStatus(HttpAnswer* a) {
  static const char* const kCodes[] = {"500", "201", "204", "301", "409", "422", "404", "100"};
  const size_t code = a->head.find(' ');
  if (code == std::string::npos || code + 4 > a->head.size()) return GarbageStatusLine(a);
  a->head.replace(code + 1, 3, kCodes[Below(std::size(kCodes))]);
}

}  // namespace kvtest
