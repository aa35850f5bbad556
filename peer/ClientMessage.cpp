#include "peer/ClientMessage.h"

#include <json/json.h>

#include "peer/CookieValueMask.h"
#include "peer/StrictJson.h"
#include "session/JsonText.h"

namespace peer {
namespace {

bool ParseJson(const std::string& text, Json::Value* root) {
  // The grammar check refuses what JsonCpp's strict mode still lets through.
  return IsStrictJson(text, ClientMessage::kMaxDepth) &&
         JsonText::Parse(text, root, JsonText::Mode::kStrict);
}

bool ReadType(const Json::Value& root, int* type) {
  const Json::Value& t = root["type"];
  // 10.0 or true are not integers here, whatever the JSON library would convert.
  if ((t.type() != Json::intValue && t.type() != Json::uintValue) || !t.isInt()) return false;
  *type = t.asInt();
  return true;
}

bool ReadCookie(const Json::Value& item, CookieRecord* record) {
  if (!item.isObject()) return false;
  for (const char* member : {"domain", "name", "value", "path"}) {
    const Json::Value& v = item[member];
    if (v.isNull()) {
      record->emplace_back();
    } else if (v.isString()) {
      record->push_back(v.asString());
    } else {
      return false;
    }
  }
  return true;
}

bool ReadCookies(const Json::Value& values, std::vector<CookieRecord>* cookies) {
  if (!values.isArray()) return false;
  for (const Json::Value& item : values) {
    CookieRecord record;
    if (!ReadCookie(item, &record)) return false;
    cookies->push_back(std::move(record));
  }
  return true;
}

bool ReadPaths(const Json::Value& paths, std::vector<std::string>* out) {
  if (!paths.isArray()) return false;
  for (const Json::Value& p : paths) {
    if (!p.isString()) return false;
    std::string path = p.asString();
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return false;
    out->push_back(std::move(path));
  }
  return true;
}

}  // namespace

ClientMessage ClientMessage::Parse(const std::string& text, std::string* logText) {
  ClientMessage none;
  Json::Value parsed;
  const bool read = ParseJson(text, &parsed);
  if (logText != nullptr) {
    *logText = read ? MaskedMessageText(parsed)
                    : "(" + std::to_string(text.size()) + " bytes, not read as JSON)";
  }
  if (!read || !parsed.isObject()) return none;
  const Json::Value& root = parsed;
  ClientMessage message;
  if (!ReadType(root, &message.type)) return none;
  const Json::Value& values = root["values"];
  if (!values.isNull()) {
    message.hasCookies = true;
    if (!ReadCookies(values, &message.cookies)) return none;
  }
  if (message.type == kDropPaths && !ReadPaths(root["paths"], &message.paths)) return none;
  return message;
}

}  // namespace peer
