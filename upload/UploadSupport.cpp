#include "upload/UploadSupport.h"

#include <json/json.h>

#include <cstdio>
#include <sstream>

#include "session/DataFolder.h"
#include "session/ServiceConfig.h"

namespace upload_support {

std::string ServiceUrl(const std::string& path) {
  return ServiceConfig::Instance().Url(path);
}

std::string ToUtf8(const std::string& name) {
  return name;
}

void RemoveTaskCache(const std::string& dataRoot, int32_t taskIndex, const std::string& name) {
  // Without a data folder there is no cache, and nothing outside it is touched.
  if (dataRoot.empty()) return;
  char number[16];
  snprintf(number, sizeof number, "%02d_", taskIndex);
  datafolder::RemoveFolder(dataRoot + "/kvd/cache/" + number + name);
}

uint32_t EnvelopeStatus(const Json::Value& root) {
  if (!root.isObject()) return 0;
  const Json::Value& s = root["status"];
  return s.isInt64() ? static_cast<uint32_t>(s.asInt64()) : 0;
}

const Json::Value* DataFile(const Json::Value& root) {
  if (!root.isObject()) return nullptr;
  const Json::Value& data = root["data"];
  if (!data.isObject()) return nullptr;
  const Json::Value& file = data["file"];
  return file.isObject() ? &file : nullptr;
}

std::string Description(const Json::Value& root) {
  if (!root.isObject()) return std::string();
  const Json::Value& d = root["description"];
  return d.isString() ? d.asString() : std::string();
}

bool ReadCount(const Json::Value& object, const char* name, int64_t* out) {
  const Json::Value& v = object[name];
  if (v.isNull()) {
    *out = 0;
    return true;
  }
  if (!v.isInt64() || v.asInt64() < 0) return false;
  *out = v.asInt64();
  return true;
}

}  // namespace upload_support
