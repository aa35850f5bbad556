// The control tree of one window: layout, painting, routing of the window's
// mouse, key and timer messages to controls, notifications to the window,
// per-control timers, option groups, fonts and default attributes (which a
// sub-menu can share from its owner), the caption area, round corners and the
// tool-tip. Everything here runs on the user-interface thread.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <map>
#include <string>
#include <vector>

#include "duilib/IMessageFilterUI.h"
#include "duilib/INotifyUI.h"
#include "duilib/UIDefs.h"

namespace DuiLib {

class CControlUI;
class COptionUI;

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Process-wide: the instance handle (kept, unused here), the folder that
  // skins and images are read from (ends with '/'), and the message loop.
  static void SetInstance(void* instance);
  static void* GetInstance();
  static std::string GetInstancePath();
  static void SetResourcePath(const std::string& path);
  static std::string GetResourcePath();
  static int MessageLoop();
  // The paint manager that was initialised with the window, or null.
  static CPaintManagerUI* FromWindow(HWND hwnd);

  void Init(HWND hwnd);
  HWND GetPaintWindow() const { return m_hWndPaint; }
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return m_pRoot; }

  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  void SendNotify(TNotifyUI& msg);
  void SendNotify(CControlUI* control, const std::string& type, WPARAM w = 0, LPARAM l = 0);

  CControlUI* FindControl(const std::string& name) const;
  CControlUI* FindControl(POINT pt);
  CControlUI* GetFocus() const { return m_pFocus; }
  void SetFocus(CControlUI* control);

  // Timer of a control, delivered to it as the "timer" notification.
  bool SetTimer(CControlUI* control, UINT timerId, UINT elapseMs);
  bool KillTimer(CControlUI* control, UINT timerId);
  void KillTimer(CControlUI* control);
  void RemoveAllTimers();

  SIZE GetInitSize() const { return m_szInitWindowSize; }
  void SetInitSize(int cx, int cy);
  SIZE GetClientSize() const;
  SIZE GetRoundCorner() const { return m_szRoundCorner; }
  void SetRoundCorner(int cx, int cy);
  const RECT& GetCaptionRect() const { return m_rcCaption; }
  void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
  SIZE GetMinInfo() const { return m_szMinWindow; }
  void SetMinInfo(int cx, int cy) { m_szMinWindow = SIZE{cx, cy}; }

  // The tool-tip that the last hover showed (empty when none is shown).
  const std::string& GetToolTipText() const { return m_sToolTipShown; }
  void HideToolTip();

  // Fonts: index -1 (or one that does not exist) is the default font.
  int AddFont(const std::string& family, int pixelSize, bool bold, bool underline, bool italic);
  void SetDefaultFont(const std::string& family, int pixelSize, bool bold, bool underline,
                      bool italic);
  const PangoFontDescription* GetFont(int index) const;
  void AddDefaultAttributeList(const std::string& controlName, const std::string& list);
  std::string GetDefaultAttributeList(const std::string& controlName) const;
  // Fonts and default attributes missing here are taken from the parent (sub-menus).
  void UseParentResource(CPaintManagerUI* parent) { m_pParentResourcePM = parent; }

  void AddOptionGroup(const std::string& group, COptionUI* option);
  const std::vector<COptionUI*>& GetOptionGroup(const std::string& group);
  void RemoveOptionGroup(const std::string& group, COptionUI* option);

  // Routes a window message to the controls; true when it was consumed.
  bool MessageHandler(UINT msg, WPARAM w, LPARAM l, LRESULT& result);
  bool PreMessageHandler(UINT msg, WPARAM w, LPARAM l, LRESULT& result);

  void Invalidate();
  void NeedUpdate();
  // Lays the tree out for the current client size when something changed.
  void UpdateLayout();
  // Paints the tree (rounded corners cut out with transparency).
  void Paint(cairo_t* cr);
  // Renders the window's client area into a PNG file.
  bool RenderToPng(const std::string& path);

  // A control is going away: forget every reference to it.
  void ReapObjects(CControlUI* control);

 private:
  struct TimerInfo {
    CControlUI* control;
    UINT id;
    uintptr_t localId;
  };
  struct FontInfo {
    PangoFontDescription* desc;
  };
  bool HandleMouse(UINT msg, WPARAM w, LPARAM l);
  void DispatchTo(CControlUI* control, int type, POINT pt, WPARAM w = 0, LPARAM l = 0);
  void SetHover(CControlUI* control, POINT pt);
  void OnTimer(uintptr_t localId);
  void ShowToolTipAt(POINT pt);
  static PangoFontDescription* MakeFont(const std::string& family, int pixelSize, bool bold,
                                        bool underline, bool italic);

  HWND m_hWndPaint = nullptr;
  CControlUI* m_pRoot = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  CControlUI* m_pFocus = nullptr;
  std::vector<INotifyUI*> m_aNotifiers;
  std::vector<IMessageFilterUI*> m_aPreMessageFilters;
  std::vector<TimerInfo> m_aTimers;
  uintptr_t m_nextTimerId = 1;
  std::map<std::string, std::vector<COptionUI*>> m_mOptionGroups;
  std::vector<PangoFontDescription*> m_aFonts;
  PangoFontDescription* m_pDefaultFont = nullptr;
  std::map<std::string, std::string> m_mDefaultAttrs;
  CPaintManagerUI* m_pParentResourcePM = nullptr;
  SIZE m_szInitWindowSize;
  SIZE m_szRoundCorner;
  SIZE m_szMinWindow;
  RECT m_rcCaption;
  std::string m_sToolTipShown;
  bool m_bUpdateNeeded = true;
  SIZE m_szLaidOut;
};

}  // namespace DuiLib
