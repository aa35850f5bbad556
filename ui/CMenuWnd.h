// A pop-up menu window (top menu or sub-menu). Every open menu is a receiver of
// one process-wide observer: close-all closes each (the top menu then reports the
// chosen item: the name becomes the receiver control's user data and 0x7f0 is
// posted to the result window with lParam the receiver control); kind 2 closes
// the menus below a window. Escape closes this menu only; losing the focus to a
// window that is not a menu closes all. Each window deletes itself when it is
// destroyed. User-interface thread only.
#pragma once

#include <vector>

#include "duilib/CPaintManagerUI.h"
#include "duilib/CWindowWnd.h"
#include "ui/ContextMenuParam.h"
#include "ui/ObserverImpl.h"

namespace DuiLib {

class CMenuElementUI;
class CMenuUI;

class CMenuWnd : public CWindowWnd, public ReceiverImpl<int, ContextMenuParam> {
 public:
  static ObserverImpl<int, ContextMenuParam>& Observer();
  // The open menu windows, top menu first.
  static std::vector<CMenuWnd*> OpenMenus();
  static bool IsOpenMenu(HWND hwnd);

  explicit CMenuWnd(HWND resultWnd = nullptr) : m_hResultWnd(resultWnd) {}
  // owner: the item whose sub-menu this is (null for the top menu). When the
  // window cannot be made (a broken skin) the object is gone on return.
  void Init(CMenuElementUI* owner, const std::string& xml, const std::string& skinType, POINT point,
            CControlUI* receiver, int width, int height);
  std::string GetWindowClassName() const override { return "MenuWnd"; }
  HWND GetResultWindow() const { return m_hResultWnd; }
  CPaintManagerUI& GetPaintManager() { return m_pm; }
  int Receive(ContextMenuParam param, const std::string& item) override;
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

 protected:
  void OnFinalMessage(HWND hwnd) override;

 private:
  LRESULT OnCreate();
  void PlaceSubMenu();
  bool MenuLiesRightOf(int x) const;
  void GiveBackItems();
  bool HasAncestor(HWND hwnd) const;

  HWND m_hResultWnd;
  POINT m_BasedPoint;
  std::string m_sXml;
  std::string m_sType;
  CMenuElementUI* m_pOwner = nullptr;
  CMenuUI* m_pLayout = nullptr;
  CControlUI* m_pReceiver = nullptr;
  CPaintManagerUI m_pm;
  // Set while Init creates the window: a failed WM_CREATE ends the object early.
  bool* m_pFinished = nullptr;
};

}  // namespace DuiLib
