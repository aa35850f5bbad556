#include "duilib/CImageString.h"

#include "duilib/CUIAttributes.h"

namespace DuiLib {

bool CImageString::Parse(const std::string& text, std::string* error) {
  *this = CImageString();
  if (text.find('=') == std::string::npos) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos) {
      *error = "empty image string";
      return false;
    }
    file_ = text.substr(begin, end - begin + 1);
    return true;
  }
  CUIAttributes::List pairs;
  if (!CUIAttributes::ParseList(text, &pairs)) {
    *error = "broken image string \"" + text + "\"";
    return false;
  }
  for (const auto& [key, value] : pairs) {
    if (!ApplyKey(key, value, error)) return false;
  }
  if (file_.empty()) {
    *error = "image string without a file: \"" + text + "\"";
    return false;
  }
  return true;
}

bool CImageString::ApplyKey(const std::string& key, const std::string& value, std::string* error) {
  if (key == "file") {
    file_ = value;
  } else if (key == "dest") {
    hasDest_ = CUIAttributes::ParseRect(value, &dest_);
    if (!hasDest_) *error = "bad dest '" + value + "'";
    return hasDest_;
  } else if (key == "source") {
    hasSource_ = CUIAttributes::ParseRect(value, &source_);
    if (!hasSource_) *error = "bad source '" + value + "'";
    return hasSource_;
  } else if (key == "fade") {
    if (!CUIAttributes::ParseInt(value, &fade_) || fade_ < 0 || fade_ > 255) {
      *error = "bad fade '" + value + "'";
      return false;
    }
  } else if (key != "res" && key != "restype" && key != "mask" && key != "corner" &&
             key != "hole" && key != "xtiled" && key != "ytiled") {
    *error = "unknown image key '" + key + "'";
    return false;
  }
  return true;
}

}  // namespace DuiLib
