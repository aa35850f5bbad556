// The service's JSON answers: {"status", "description", "data"}, status 0 and
// "OK" on success.
#pragma once

#include <json/value.h>

#include <string>

#include "tools/kvup-service/CloudStore.h"

class Envelope {
 public:
  static std::string Ok(const Json::Value& data);
  static std::string Failed(int status, const std::string& description);
  // The envelope status and text of a store refusal.
  static int StatusOf(StoreCode code);
  static std::string TextOf(StoreCode code);
  static Json::Value FileJson(const FileView& v);
  static std::string Compact(const Json::Value& value);
  // False when `text` is not JSON.
  static bool Parse(const std::string& text, Json::Value* out);

  static constexpr int kNoSession = 100001;
  static constexpr int kBadParam = 100002;
  static constexpr int kNotFound = 100003;
  static constexpr int kBadName = 100004;
  static constexpr int kNameTaken = 100005;
  static constexpr int kBusy = 100006;
  static constexpr int kIoError = 100007;
  static constexpr int kOverQuota = 102008;
  static constexpr int kTooLarge = 102009;
};
