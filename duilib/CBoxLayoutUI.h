// Lays children out in one line, top to bottom or left to right: children with a
// fixed size on the line's axis keep it, the others share what is left (within
// their minimum and maximum), padding and child padding are kept between them.
// Across the line a child has its fixed size, else the whole line (within its
// limits).
#pragma once

#include "duilib/CContainerUI.h"

namespace DuiLib {

class CBoxLayoutUI : public CContainerUI {
 public:
  explicit CBoxLayoutUI(bool vertical) : m_bVertical(vertical) {}
  void SetPos(RECT rc) override;

 private:
  struct Slot {
    CControlUI* control;
    SIZE estimate;
    int length;
    bool stretch;
  };
  int Along(const SIZE& s) const { return m_bVertical ? s.cy : s.cx; }
  int PadBefore(const RECT& p) const { return m_bVertical ? p.top : p.left; }
  int PadAfter(const RECT& p) const { return m_bVertical ? p.bottom : p.right; }
  int PadStart(const RECT& p) const { return m_bVertical ? p.left : p.top; }
  int PadEnd(const RECT& p) const { return m_bVertical ? p.right : p.bottom; }
  int MinAlong(CControlUI* c) const { return m_bVertical ? c->GetMinHeight() : c->GetMinWidth(); }
  int MaxAlong(CControlUI* c) const { return m_bVertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
  void ShareStretch(std::vector<Slot>* slots, int remaining) const;
  void Place(Slot& slot, int along, const RECT& inner) const;

  bool m_bVertical;
};

class CVerticalLayoutUI : public CBoxLayoutUI {
 public:
  CVerticalLayoutUI() : CBoxLayoutUI(true) {}
  std::string GetClass() const override { return "VerticalLayoutUI"; }
  void* GetInterface(const std::string& name) override {
    return name == "VerticalLayout" ? this : CContainerUI::GetInterface(name);
  }
};

class CHorizontalLayoutUI : public CBoxLayoutUI {
 public:
  CHorizontalLayoutUI() : CBoxLayoutUI(false) {}
  std::string GetClass() const override { return "HorizontalLayoutUI"; }
  void* GetInterface(const std::string& name) override {
    return name == "HorizontalLayout" ? this : CContainerUI::GetInterface(name);
  }
};

}  // namespace DuiLib
