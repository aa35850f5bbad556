#include "ui/SkinWindowFrame.h"

#include "duilib/CControlUI.h"
#include "duilib/WindowFunctions.h"

using namespace DuiLib;

void SkinWindowFrame::StripCaption(CWindowWnd& wnd) {
  wnd.SetStyle((wnd.GetStyle() & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
}

bool SkinWindowFrame::Handle(CWindowWnd& wnd, UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_DESTROY:
      platform::PostQuitMessage(0);
      return false;
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return true;
    case WM_NCACTIVATE:
      if (wnd.IsIconic()) return false;
      *result = w == 0 ? 1 : 0;
      return true;
    case WM_SYSCOMMAND:
      if (w == SC_CLOSE) {
        platform::PostQuitMessage(0);
      } else {
        *result = wnd.CWindowWnd::HandleMessage(msg, w, l);
      }
      return true;
    default:
      return false;
  }
}

LRESULT SkinWindowFrame::CaptionHitTest(HWND hwnd, CPaintManagerUI& pm, LPARAM l) {
  POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
  ScreenToClient(hwnd, &pt);
  RECT client;
  GetClientRect(hwnd, &client);
  const RECT& caption = pm.GetCaptionRect();
  const bool inCaption = pt.x >= client.left + caption.left &&
                         pt.x < client.right - caption.right && pt.y >= caption.top &&
                         pt.y < caption.bottom;
  if (!inCaption) return HTCLIENT;
  CControlUI* control = pm.FindControl(pt);
  if (control == nullptr) return HTCLIENT;
  const std::string cls = control->GetClass();
  return cls == "ButtonUI" || cls == "OptionUI" || cls == "TextUI" ? HTCLIENT : HTCAPTION;
}
