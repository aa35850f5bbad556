// One folder walk's parameter: the dropped folder and the window told about
// its batches. Owned by its job, which frees it when it ends.
#pragma once

#include <string>

#include "platform/WindowMessage.h"

struct TravelDirParam {
  platform::HWND hwnd = nullptr;  // empty: the process's notification target
  std::string path;               // full local path of the dropped folder
};
