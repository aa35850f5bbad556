// A scrolling list of rows. The rows live in the list's body (class "CUIListBody");
// adding, inserting, indexing and removing go to the body, and the rows that are
// list elements learn their list so that they can be selected and coloured.
#pragma once

#include "duilib/CBoxLayoutUI.h"

namespace DuiLib {

class CListContainerElementUI;

// Colours of the rows, shared by every row of one list.
struct TListInfoUI {
  uint32_t dwTextColor = 0xFF000000u;
  uint32_t dwBkColor = 0;
  uint32_t dwHotTextColor = 0xFF000000u;
  uint32_t dwHotBkColor = 0;
  uint32_t dwSelectedTextColor = 0xFF000000u;
  uint32_t dwSelectedBkColor = 0;
  uint32_t dwDisabledTextColor = 0xFFCCCCCCu;
  int nFont = -1;
};

class CListBodyUI : public CVerticalLayoutUI {
 public:
  std::string GetClass() const override { return "CUIListBody"; }
};

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI();
  std::string GetClass() const override { return "ListUI"; }
  void* GetInterface(const std::string& name) override;

  CListBodyUI* GetList() const { return m_pList; }
  TListInfoUI* GetListInfo() { return &m_ListInfo; }

  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;

  int GetCurSel() const { return m_iCurSel; }
  bool SelectItem(int index);

  bool SetAttribute(const std::string& name, const std::string& value) override;

 protected:
  CListBodyUI* m_pList;
  TListInfoUI m_ListInfo;
  int m_iCurSel = -1;
};

}  // namespace DuiLib
