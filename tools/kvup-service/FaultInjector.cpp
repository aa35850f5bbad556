#include "tools/kvup-service/FaultInjector.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "log/KvLog.h"

namespace {

const char* kLogger = "kvup-service";

struct KindName {
  const char* name;
  FaultKind kind;
  bool needsValue;
};
const KindName kKinds[] = {
    {"status", FaultKind::kStatus, true},
    {"envelope", FaultKind::kEnvelope, true},
    {"text", FaultKind::kText, false},
    {"delay", FaultKind::kDelay, true},
    {"stall", FaultKind::kStall, true},
    {"cut", FaultKind::kCut, false},
    {"throttle", FaultKind::kThrottle, true},
    {"complete", FaultKind::kComplete, false},
    {"incomplete", FaultKind::kIncomplete, false},
    {"breakpoint", FaultKind::kBreakPoint, true},
};

bool Number(const std::string& text, int64_t* out) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || errno != 0 || *end != '\0') return false;
  *out = v;
  return true;
}

std::vector<std::string> Fields(const std::string& spec) {
  std::vector<std::string> out;
  std::stringstream in(spec);
  for (std::string part; std::getline(in, part, ':');) out.push_back(part);
  return out;
}

bool ParseKind(const std::string& field, FaultRule* out) {
  size_t eq = field.find('=');
  std::string name = field.substr(0, eq);
  for (const KindName& k : kKinds) {
    if (name != k.name) continue;
    out->kind = k.kind;
    if (!k.needsValue) return eq == std::string::npos;
    return eq != std::string::npos && Number(field.substr(eq + 1), &out->value) && out->value >= 0;
  }
  return false;
}

bool ParseOption(const std::string& field, FaultRule* out) {
  size_t eq = field.find('=');
  if (eq == std::string::npos) return false;
  std::string name = field.substr(0, eq), value = field.substr(eq + 1);
  int64_t n = 0;
  if (name == "every") return Number(value, &out->every) && out->every >= 1;
  if (name == "times") return Number(value, &out->times) && out->times >= 0;
  if (name == "seed") {
    if (!Number(value, &n)) return false;
    out->seed = static_cast<uint64_t>(n);
    return true;
  }
  if (name == "prob") {
    char* end = nullptr;
    out->probability = std::strtod(value.c_str(), &end);
    return !value.empty() && *end == '\0' && out->probability >= 0 && out->probability <= 1;
  }
  return false;
}

}  // namespace

bool FaultInjector::Parse(const std::string& spec, FaultRule* out, std::string* error) {
  std::vector<std::string> fields = Fields(spec);
  *out = FaultRule{};
  out->spec = spec;
  bool ok = fields.size() >= 2 && !fields[0].empty() && ParseKind(fields[1], out);
  for (size_t i = 2; ok && i < fields.size(); ++i) ok = ParseOption(fields[i], out);
  if (!ok) {
    *error = "bad fault rule: " + spec;
    return false;
  }
  out->endpoint = fields[0];
  return true;
}

bool FaultInjector::Add(const std::string& spec, std::string* error) {
  FaultRule rule;
  if (!Parse(spec, &rule, error)) return false;
  std::lock_guard<std::mutex> lock(mu_);
  rules_.push_back(Armed{rule, std::mt19937_64(rule.seed)});
  KV_INFO(kLogger, "fault rule added: %s", spec.c_str());
  return true;
}

void FaultInjector::Clear() {
  std::lock_guard<std::mutex> lock(mu_);
  rules_.clear();
  KV_INFO(kLogger, "fault rules cleared");
}

Json::Value FaultInjector::Describe() {
  std::lock_guard<std::mutex> lock(mu_);
  Json::Value list(Json::arrayValue);
  for (const Armed& a : rules_) {
    Json::Value v;
    v["rule"] = a.rule.spec;
    v["seen"] = Json::Int64(a.seen);
    v["fired"] = Json::Int64(a.fired);
    list.append(v);
  }
  return list;
}

// REQUIRES: mu_ held.
bool FaultInjector::Fires(Armed* a) {
  ++a->seen;
  if (a->rule.times >= 0 && a->fired >= a->rule.times) return false;
  bool fires = a->rule.probability >= 0
                   ? std::uniform_real_distribution<double>(0, 1)(a->random) < a->rule.probability
                   : a->seen % a->rule.every == 0;
  if (fires) ++a->fired;
  return fires;
}

std::vector<FaultRule> FaultInjector::Decide(const std::string& endpoint) {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<FaultRule> firing;
  for (Armed& a : rules_) {
    if (a.rule.endpoint != "*" && a.rule.endpoint != endpoint) continue;
    if (!Fires(&a)) continue;
    KV_INFO(kLogger, "injected fault %s on %s (matching request %lld)", a.rule.spec.c_str(),
            endpoint.c_str(), static_cast<long long>(a.seen));
    firing.push_back(a.rule);
  }
  return firing;
}
