#include "pipeline/ListedEntry.h"

#include <limits>

#include "util/CommonUtils.h"

namespace {

bool ReadInt64(const Json::Value& object, const char* field, int64_t* out) {
  const Json::Value& v = object[field];
  if (!v.isIntegral() || !v.isInt64()) return false;
  *out = v.asInt64();
  return true;
}

bool ReadCount(const Json::Value& object, const char* field, int64_t* out) {
  return ReadInt64(object, field, out) && *out >= 0;
}

bool ReadSmall(const Json::Value& object, const char* field, int32_t* out) {
  int64_t v = 0;
  if (!ReadCount(object, field, &v) || v > std::numeric_limits<int32_t>::max()) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

bool ListedEntry::Read(const Json::Value& object) {
  if (!object.isObject()) return false;
  if (!ReadCount(object, "id", &id) || !ReadInt64(object, "pid", &pid)) return false;
  if (!ReadSmall(object, "type", &info.type) || !ReadSmall(object, "status", &info.status))
    return false;
  if (!ReadCount(object, "size", &info.size) || !ReadCount(object, "breakPoint", &info.breakPoint))
    return false;
  const Json::Value& name = object["name"];
  const Json::Value& hash = object["hash"];
  if (!name.isString() || !(hash.isNull() || hash.isString() || hash.isNumeric())) return false;
  info.name = Utf8ToSystem(name.asString());
  info.hash = hash.isNull() ? std::string() : hash.asString();
  return true;
}
