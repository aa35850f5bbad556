// Sees a window's messages before its paint manager does (user-interface thread).
// Setting handled stops the message there with the returned result.
#pragma once

#include "duilib/UIDefs.h"

namespace DuiLib {

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT msg, WPARAM w, LPARAM l, bool& handled) = 0;
};

}  // namespace DuiLib
