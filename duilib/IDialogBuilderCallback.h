// Creates the controls of classes a program adds to the toolkit, while a skin is
// read (user-interface thread).
#pragma once

#include <string>

namespace DuiLib {

class CControlUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for the skin element name, or null when the class is not known.
  virtual CControlUI* CreateControl(const std::string& className) = 0;
};

}  // namespace DuiLib
