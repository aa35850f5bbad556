// Receives the notifications of the controls of a paint manager (user-interface
// thread).
#pragma once

#include "duilib/UIDefs.h"

namespace DuiLib {

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

}  // namespace DuiLib
