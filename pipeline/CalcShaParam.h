// One digest job's parameter: the file and the window that gets the result.
// Owned by its job, which frees it when it ends.
#pragma once

#include <string>

#include "platform/WindowMessage.h"

struct CalcShaParam {
  platform::HWND hwnd = nullptr;  // empty: the process's notification target
  std::string path;               // full local path of the file
};
