// Where the windows' skins and images are: the folder "skin" beside the
// program (the build tree), else share/kvup/skin under the install prefix.
#pragma once

#include <string>

class SkinFolder {
 public:
  // The folder, ending with '/'.
  static std::string Path();
};
