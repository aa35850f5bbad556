// What a menu broadcast asks: 1 closes every menu, 2 closes the menus below the
// given window.
#pragma once

#include "duilib/UIDefs.h"

namespace DuiLib {

struct ContextMenuParam {
  WPARAM wParam = 0;
  HWND hWnd = nullptr;
};

}  // namespace DuiLib
