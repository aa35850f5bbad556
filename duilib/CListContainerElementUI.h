// One row of a list that holds further controls. Pressing it selects it in its
// list; releasing the button over it sends "itemclick".
#pragma once

#include "duilib/CContainerUI.h"

namespace DuiLib {

class CListUI;

class CListContainerElementUI : public CContainerUI {
 public:
  std::string GetClass() const override { return "ListContainerElementUI"; }
  void* GetInterface(const std::string& name) override;

  CListUI* GetOwner() const { return m_pOwner; }
  void SetOwner(CListUI* owner) { m_pOwner = owner; }
  // Row number in the owning list, -1 when not in a list.
  int GetIndex() const;
  bool IsSelected() const { return m_bSelected; }
  // Selects this row in its list.
  virtual bool Select(bool select = true);
  // Called by the list; only changes the look.
  void SetSelectedState(bool selected);
  bool IsHot() const { return m_bHot; }

  bool Activate() override;
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintBkColor(cairo_t* cr) override;
  uint32_t ItemTextColor() const;

  CListUI* m_pOwner = nullptr;
  bool m_bSelected = false;
  bool m_bHot = false;
};

}  // namespace DuiLib
