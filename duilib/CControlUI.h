// The base of every control: identity, text, geometry, the attributes every
// control understands, painting of background, image and border, and the event
// entry. Controls live on the user-interface thread only.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual std::string GetClass() const { return "ControlUI"; }
  // The control seen as the named interface ("Control", "Container", ...), or null.
  virtual void* GetInterface(const std::string& name);

  const std::string& GetName() const { return m_sName; }
  void SetName(const std::string& name) { m_sName = name; }
  virtual std::string GetText() const { return m_sText; }
  virtual void SetText(const std::string& text);
  const std::string& GetToolTip() const { return m_sToolTip; }
  void SetToolTip(const std::string& text) { m_sToolTip = text; }
  int GetToolTipWidth() const { return m_nTooltipWidth; }
  void SetToolTipWidth(int width) { m_nTooltipWidth = width; }
  const std::string& GetUserData() const { return m_sUserData; }
  void SetUserData(const std::string& data) { m_sUserData = data; }
  uintptr_t GetTag() const { return m_uTag; }
  void SetTag(uintptr_t tag) { m_uTag = tag; }

  bool IsEnabled() const { return m_bEnabled; }
  virtual void SetEnabled(bool enabled);
  // Visible when set visible and not hidden by a parent (a tab page, a sub-menu).
  bool IsVisible() const { return m_bVisible && m_bInternVisible; }
  virtual void SetVisible(bool visible);
  virtual void SetInternVisible(bool visible);
  bool IsMouseEnabled() const { return m_bMouseEnabled; }
  void SetMouseEnabled(bool enabled) { m_bMouseEnabled = enabled; }
  bool IsFloat() const { return m_bFloat; }
  void SetFloat(bool f);
  bool IsFocused() const { return m_bFocused; }

  CPaintManagerUI* GetManager() const { return m_pManager; }
  CControlUI* GetParent() const { return m_pParent; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
  // Named virtual window of this control (or of the nearest parent that has one).
  std::string GetVirtualWnd() const;
  void SetVirtualWnd(const std::string& name) { m_sVirtualWnd = name; }

  const RECT& GetPos() const { return m_rcItem; }
  virtual void SetPos(RECT rc);
  const RECT& GetFloatPos() const { return m_rcFloatPos; }
  const RECT& GetPadding() const { return m_rcPadding; }
  void SetPadding(const RECT& padding);
  int GetFixedWidth() const { return m_cxyFixed.cx; }
  void SetFixedWidth(int cx);
  int GetFixedHeight() const { return m_cxyFixed.cy; }
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return m_cxyMin.cx; }
  int GetMinHeight() const { return m_cxyMin.cy; }
  int GetMaxWidth() const { return m_cxyMax.cx; }
  void SetMaxWidth(int cx);
  int GetMaxHeight() const { return m_cxyMax.cy; }
  void SetMaxHeight(int cy);
  // The size the control asks of its layout; 0 on an axis means "stretch".
  virtual SIZE EstimateSize(SIZE available);

  uint32_t GetBkColor() const { return m_dwBackColor; }
  void SetBkColor(uint32_t argb);
  const std::string& GetBkImage() const { return m_sBkImage; }
  void SetBkImage(const std::string& image);

  // Sets one attribute; false (and a log line) for an unknown name or bad value.
  virtual bool SetAttribute(const std::string& name, const std::string& value);
  // name="value" pairs as skins write them; broken parts are logged and skipped.
  void ApplyAttributeList(const std::string& list);

  // Hit test: the deepest visible control under the point that takes the mouse.
  virtual CControlUI* FindControlAt(POINT pt);
  virtual CControlUI* FindControlByName(const std::string& name);

  void Init();
  virtual void DoInit() {}
  void Event(TEventUI& event) { DoEvent(event); }
  virtual void DoEvent(TEventUI& event);
  virtual bool Activate();
  void SetFocus();

  virtual void DoPaint(cairo_t* cr, const RECT& paint);
  void Invalidate();
  void NeedUpdate();

 protected:
  virtual void PaintBkColor(cairo_t* cr);
  virtual void PaintBkImage(cairo_t* cr);
  virtual void PaintStatusImage(cairo_t* /*cr*/) {}
  virtual void PaintText(cairo_t* /*cr*/) {}
  virtual void PaintBorder(cairo_t* cr);
  bool DrawImage(cairo_t* cr, const std::string& image);
  void LogBadValue(const std::string& name, const std::string& value) const;
  friend class CPaintManagerUI;

  CPaintManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  std::string m_sName;
  std::string m_sText;
  std::string m_sToolTip;
  int m_nTooltipWidth = 300;
  std::string m_sUserData;
  uintptr_t m_uTag = 0;
  std::string m_sVirtualWnd;
  bool m_bEnabled = true;
  bool m_bVisible = true;
  bool m_bInternVisible = true;
  bool m_bMouseEnabled = true;
  bool m_bFloat = false;
  bool m_bFocused = false;
  bool m_bInited = false;
  RECT m_rcItem;
  RECT m_rcPadding;
  RECT m_rcFloatPos;
  SIZE m_cxyFixed;
  SIZE m_cxyMin;
  SIZE m_cxyMax{9999, 9999};
  uint32_t m_dwBackColor = 0;
  uint32_t m_dwBorderColor = 0;
  int m_nBorderSize = 0;
  std::string m_sBkImage;
};

}  // namespace DuiLib
