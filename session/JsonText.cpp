#include "session/JsonText.h"

#include <json/json.h>

#include <exception>
#include <memory>

bool JsonText::Parse(const std::string& text, Json::Value* root, Mode mode) {
  Json::CharReaderBuilder builder;
  if (mode == Mode::kStrict) Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  try {
    return reader->parse(text.data(), text.data() + text.size(), root, &errors);
  } catch (const std::exception&) {
    // JsonCpp throws past its nesting limit; an answer that deep is no answer.
    return false;
  }
}
