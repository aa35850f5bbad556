// One message of the desktop client, checked and taken apart:
//   {"type": <integer>, "values": [{"domain","name","value","path"}...], "paths": [...]}
// A message counts as one without a type (type -1, nothing else kept) when it
// is not a strict JSON object (no comments, trailing commas or leading zeros;
// nested at most kMaxDepth deep), has no integral "type", or carries cookies
// or paths of the wrong shape, so a bad message never changes the stored
// cookies. Parsing throws nothing, whatever the text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace peer {

// domain, name, value, path: the order the options keep a cookie in.
using CookieRecord = std::vector<std::string>;

struct ClientMessage {
  static constexpr int kNoType = -1;
  static constexpr int kHello = 0;
  static constexpr int kQuit = 9;
  static constexpr int kStart = 10;
  static constexpr int kToggle = 11;
  static constexpr int kShow = 12;
  static constexpr int kLogout = 13;
  static constexpr int kLogin = 14;
  static constexpr int kDropPaths = 20;
  // A message needs 3 levels ({"values":[{...}]}); far more is garbage.
  static constexpr size_t kMaxDepth = 64;

  int type = kNoType;
  bool hasCookies = false;  // a non-null "values" member was present
  std::vector<CookieRecord> cookies;
  std::vector<std::string> paths;  // type 20 only: absolute paths

  // With logText, also the text to log for the message: the parsed message
  // with its cookie values masked, or only its length when it is not JSON.
  static ClientMessage Parse(const std::string& text, std::string* logText = nullptr);
};

}  // namespace peer
