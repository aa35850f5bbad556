// Parsing of the texts that skins and code hand to controls: attribute lists
// (name="value" pairs), colours, rectangles, sizes, numbers and flags. Every
// parser reports failure instead of guessing, so that callers can log and ignore.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CUIAttributes {
 public:
  using List = std::vector<std::pair<std::string, std::string>>;

  // name="value" pairs separated by blanks; values are quoted with " or '. Blanks
  // around '=' are allowed. False (with the pairs read so far) on a broken list.
  static bool ParseList(const std::string& text, List* out);
  // "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB".
  static bool ParseColor(const std::string& text, uint32_t* argb);
  static bool ParseInt(const std::string& text, int* value);
  // "true"/"false" (also "1"/"0").
  static bool ParseBool(const std::string& text, bool* value);
  static bool ParseRect(const std::string& text, RECT* rect);
  static bool ParseSize(const std::string& text, SIZE* size);

 private:
  static bool ParseInts(const std::string& text, int* values, int count);
};

}  // namespace DuiLib
