#include "ui/CMenuBuilderCallback.h"

#include "ui/CMenuElementUI.h"
#include "ui/CMenuUI.h"

namespace DuiLib {

CControlUI* CMenuBuilderCallback::CreateControl(const std::string& className) {
  if (className == "Menu") return new CMenuUI;
  if (className == "MenuElement") return new CMenuElementUI;
  return nullptr;
}

}  // namespace DuiLib
