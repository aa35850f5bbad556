#include "peer/CookieValueMask.h"

#include <json/writer.h>

namespace peer {
namespace {

// Recursion is bounded by the nesting limit of client messages.
void MaskValues(Json::Value& node) {
  if (node.isArray()) {
    for (Json::Value& item : node) MaskValues(item);
  } else if (node.isObject()) {
    for (const std::string& name : node.getMemberNames()) {
      Json::Value& member = node[name];
      if (name == "value") {
        member = "***";
      } else {
        MaskValues(member);
      }
    }
  }
}

}  // namespace

std::string MaskedMessageText(const Json::Value& message) {
  Json::Value masked = message;
  MaskValues(masked);
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = false;
  return Json::writeString(writer, masked);
}

}  // namespace peer
