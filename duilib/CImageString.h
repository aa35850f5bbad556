// An image reference as skins and code write it: a plain file name, or
// "file='x.png' dest='l,t,r,b' source='l,t,r,b' fade='0..255'". The dest
// rectangle is relative to the control; without it the image fills the control.
#pragma once

#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CImageString {
 public:
  // False with a reason on a broken string; keys this toolkit does not draw
  // ("res", "restype", "mask", "corner", "hole", "xtiled", "ytiled") are accepted.
  bool Parse(const std::string& text, std::string* error);

  const std::string& File() const { return file_; }
  bool HasDest() const { return hasDest_; }
  const RECT& Dest() const { return dest_; }
  bool HasSource() const { return hasSource_; }
  const RECT& Source() const { return source_; }
  int Fade() const { return fade_; }

 private:
  bool ApplyKey(const std::string& key, const std::string& value, std::string* error);

  std::string file_;
  bool hasDest_ = false;
  RECT dest_;
  bool hasSource_ = false;
  RECT source_;
  int fade_ = 255;
};

}  // namespace DuiLib
