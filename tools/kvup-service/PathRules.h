// What the service accepts as names: one component of valid UTF-8, not empty,
// not "." or "..", without separators or control characters.
#pragma once

#include <string>
#include <vector>

class PathRules {
 public:
  static bool ValidName(const std::string& name);
  // Splits a relative path at "/" and "\"; false when any component is refused.
  static bool Split(const std::string& path, std::vector<std::string>* parts);
  static bool ValidUtf8(const std::string& text);
};
