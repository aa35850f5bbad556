// Shows one child at a time over the whole inner rectangle.
#pragma once

#include "duilib/CContainerUI.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
 public:
  std::string GetClass() const override { return "TabLayoutUI"; }
  void* GetInterface(const std::string& name) override;

  int GetCurSel() const { return m_iCurSel; }
  // Shows the page at index; false for an index out of range.
  bool SelectItem(int index);
  bool AddAt(CControlUI* control, int index) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;
  bool SetAttribute(const std::string& name, const std::string& value) override;

 private:
  void ShowSelected();
  int m_iCurSel = -1;
  int m_iPendingSel = -1;  // chosen before its page was added
};

}  // namespace DuiLib
