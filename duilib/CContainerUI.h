// A control that owns children. Plain containers give every child the whole inner
// rectangle; the box layouts arrange them in a line. Containers can scroll their
// content (wheel) when scroll bars are switched on and the content overflows.
#pragma once

#include <vector>

#include "duilib/CControlUI.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
 public:
  CContainerUI() = default;
  ~CContainerUI() override;

  std::string GetClass() const override { return "ContainerUI"; }
  void* GetInterface(const std::string& name) override;

  virtual CControlUI* GetItemAt(int index) const;
  virtual int GetItemIndex(CControlUI* control) const;
  virtual int GetCount() const { return static_cast<int>(m_items.size()); }
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // Removes (and deletes, unless auto-destroy is off or doNotDestroy) the child.
  virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
  virtual bool RemoveAt(int index, bool doNotDestroy = false);
  virtual void RemoveAll();
  void SetAutoDestroy(bool autoDestroy) { m_bAutoDestroy = autoDestroy; }

  const RECT& GetInset() const { return m_rcInset; }
  void SetInset(const RECT& inset);
  int GetChildPadding() const { return m_iChildPadding; }
  void SetChildPadding(int padding);
  bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
  void SetMouseChildEnabled(bool enabled) { m_bMouseChildEnabled = enabled; }
  void EnableScrollBar(bool vertical, bool horizontal);
  bool IsVScrollEnabled() const { return m_bVScroll; }
  bool IsHScrollEnabled() const { return m_bHScroll; }
  SIZE GetScrollPos() const { return m_szScrollPos; }
  SIZE GetScrollRange() const { return m_szScrollRange; }
  void SetScrollPos(SIZE pos);

  void SetPos(RECT rc) override;
  bool SetAttribute(const std::string& name, const std::string& value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetInternVisible(bool visible) override;
  CControlUI* FindControlAt(POINT pt) override;
  CControlUI* FindControlByName(const std::string& name) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(cairo_t* cr, const RECT& paint) override;

 protected:
  RECT InnerRect() const;
  void SetFloatPos(CControlUI* child, const RECT& inner);
  // Records how far the content reaches, for scrolling.
  void SetContentSize(SIZE content);
  void PaintScrollBars(cairo_t* cr);
  virtual bool PaintsChild(CControlUI* /*child*/) const { return true; }

  std::vector<CControlUI*> m_items;
  RECT m_rcInset;
  int m_iChildPadding = 0;
  bool m_bAutoDestroy = true;
  bool m_bMouseChildEnabled = true;
  bool m_bVScroll = false;
  bool m_bHScroll = false;
  SIZE m_szScrollPos;
  SIZE m_szScrollRange;
};

}  // namespace DuiLib
