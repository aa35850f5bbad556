// Creates the menu classes while a menu skin is read.
#pragma once

#include "duilib/IDialogBuilderCallback.h"

namespace DuiLib {

class CMenuBuilderCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::string& className) override;
};

}  // namespace DuiLib
