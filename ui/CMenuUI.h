// The list of a menu: holds only menu items; items nested in an added item are
// hidden (they form its sub-menu). Its size is the widest visible item by the
// sum of the visible items' heights.
#pragma once

#include "duilib/CListUI.h"

namespace DuiLib {

class CMenuUI : public CListUI {
 public:
  std::string GetClass() const override { return "MenuUI"; }
  void* GetInterface(const std::string& name) override {
    return name == "Menu" ? this : CListUI::GetInterface(name);
  }
  bool AddAt(CControlUI* control, int index) override;
  bool Add(CControlUI* control) override { return AddAt(control, GetCount()); }
  SIZE EstimateSize(SIZE available) override;
};

}  // namespace DuiLib
