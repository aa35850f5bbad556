// The one way kvup reads JSON text: the service's answers and the desktop
// client's messages. Never throws: text nested past the reader's limit, like
// any other text that does not read, is a failure.
#pragma once

#include <string>

namespace Json {
class Value;
}

class JsonText {
 public:
  // Lenient reads the service's answers as JsonCpp's default reader does;
  // strict refuses comments, trailing commas and more than one root value.
  enum class Mode { kLenient, kStrict };

  static bool Parse(const std::string& text, Json::Value* root, Mode mode = Mode::kLenient);
};
