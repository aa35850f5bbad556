#include "ClientMessages.h"

#include <json/json.h>

namespace kvclient {
namespace {

std::string Compact(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, value);
}

}  // namespace

std::string TypeMessage(int type, const CookieList& cookies, const std::string& domain,
                        const std::string& path) {
  Json::Value root(Json::objectValue);
  root["type"] = type;
  if (!cookies.empty()) {
    Json::Value& values = root["values"] = Json::Value(Json::arrayValue);
    for (const auto& [name, value] : cookies) {
      Json::Value cookie(Json::objectValue);
      cookie["domain"] = domain;
      cookie["name"] = name;
      cookie["value"] = value;
      cookie["path"] = path;
      values.append(cookie);
    }
  }
  return Compact(root);
}

std::string DropMessage(const std::vector<std::string>& paths) {
  Json::Value root(Json::objectValue);
  root["type"] = 20;
  Json::Value& list = root["paths"] = Json::Value(Json::arrayValue);
  for (const std::string& p : paths) list.append(p);
  return Compact(root);
}

}  // namespace kvclient
