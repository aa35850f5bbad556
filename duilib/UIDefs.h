// The toolkit's basic vocabulary: geometry, window-message numbers and styles,
// control event numbers and the notification record. Message numbers and styles
// keep their customary values so that window code reads as it always has.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MessageQueue.h"

namespace DuiLib {

using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WM_CLOSE;
using platform::WM_CREATE;
using platform::WM_DESTROY;
using platform::WM_NULL;
using platform::WM_QUIT;
using platform::WM_SIZE;
using platform::WM_TIMER;
using platform::WM_USER;
using platform::WPARAM;

struct POINT {
  int x = 0;
  int y = 0;
};

struct SIZE {
  int cx = 0;
  int cy = 0;
};

struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(POINT pt) const {
    return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
  }
  bool operator==(const RECT&) const = default;
};

RECT IntersectRects(const RECT& a, const RECT& b);

// Window messages beyond the queue's own numbers.
constexpr UINT WM_MOVE = 0x0003, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008,
               WM_PAINT = 0x000F, WM_ERASEBKGND = 0x0014, WM_SHOWWINDOW = 0x0018,
               WM_GETMINMAXINFO = 0x0024, WM_COPYDATA = 0x004A, WM_CONTEXTMENU = 0x007B,
               WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083, WM_NCHITTEST = 0x0084,
               WM_NCPAINT = 0x0085, WM_NCACTIVATE = 0x0086, WM_NCLBUTTONDOWN = 0x00A1,
               WM_NCRBUTTONDOWN = 0x00A4, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
               WM_SYSCOMMAND = 0x0112, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
               WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
               WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206, WM_MOUSEWHEEL = 0x020A,
               WM_DROPFILES = 0x0233, WM_MOUSEHOVER = 0x02A1, WM_MOUSELEAVE = 0x02A3;

constexpr WPARAM SC_CLOSE = 0xF060, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_RESTORE = 0xF120;
constexpr LRESULT HTCLIENT = 1, HTCAPTION = 2;
constexpr WPARAM MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002;
constexpr WPARAM VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_UP = 0x26, VK_DOWN = 0x28;

// Window styles. The hosts map them: no caption = undecorated, top-most = kept
// above, tool window = no task-bar entry, pop-up = pop-up menu hint.
constexpr uint32_t WS_POPUP = 0x80000000u, WS_VISIBLE = 0x10000000u, WS_CLIPSIBLINGS = 0x04000000u,
                   WS_CLIPCHILDREN = 0x02000000u, WS_CAPTION = 0x00C00000u,
                   WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u,
                   WS_MINIMIZEBOX = 0x00020000u, WS_MAXIMIZEBOX = 0x00010000u;
constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001u, WS_EX_TOPMOST = 0x00000008u,
                   WS_EX_ACCEPTFILES = 0x00000010u, WS_EX_TOOLWINDOW = 0x00000080u;

constexpr LPARAM MAKELPARAM(int low, int high) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM l) {
  return static_cast<int16_t>(l & 0xFFFF);
}
constexpr int GET_Y_LPARAM(LPARAM l) {
  return static_cast<int16_t>((l >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(int low, int high) {
  return static_cast<WPARAM>(static_cast<uint32_t>(MAKELPARAM(low, high)));
}
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) {
  return static_cast<int16_t>((w >> 16) & 0xFFFF);
}
constexpr int WHEEL_DELTA = 120;

// Control event numbers of this toolkit (10: the pointer entered the control;
// 12: the button was released over it, i.e. a click).
enum {
  UIEVENT__FIRST = 1,
  UIEVENT_KEYDOWN = 2,
  UIEVENT_KEYUP = 3,
  UIEVENT_CHAR = 4,
  UIEVENT_SETFOCUS = 5,
  UIEVENT_KILLFOCUS = 6,
  UIEVENT_MOUSEMOVE = 8,
  UIEVENT_MOUSELEAVE = 9,
  UIEVENT_MOUSEENTER = 10,
  UIEVENT_BUTTONDOWN = 11,
  UIEVENT_BUTTONUP = 12,
  UIEVENT_DBLCLICK = 13,
  UIEVENT_RBUTTONDOWN = 14,
  UIEVENT_CONTEXTMENU = 15,
  UIEVENT_SCROLLWHEEL = 16,
  UIEVENT_MOUSEHOVER = 17,
  UIEVENT_TIMER = 18,
  UIEVENT__LAST = 19,
};

// Notification type names.
inline constexpr const char* DUI_MSGTYPE_CLICK = "click";
inline constexpr const char* DUI_MSGTYPE_SELECTCHANGED = "selectchanged";
inline constexpr const char* DUI_MSGTYPE_ITEMCLICK = "itemclick";
inline constexpr const char* DUI_MSGTYPE_ITEMSELECT = "itemselect";
inline constexpr const char* DUI_MSGTYPE_TIMER = "timer";
inline constexpr const char* DUI_MSGTYPE_WINDOWINIT = "windowinit";
inline constexpr const char* DUI_MSGTYPE_MENU = "menu";
inline constexpr const char* DUI_MSGTYPE_SCROLL = "scroll";

class CControlUI;

struct TEventUI {
  int Type = 0;
  CControlUI* pSender = nullptr;
  uint64_t dwTimestamp = 0;
  POINT ptMouse;
  char chKey = 0;
  WPARAM wKeyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

struct TNotifyUI {
  std::string sType;
  std::string sVirtualWnd;
  CControlUI* pSender = nullptr;
  uint64_t dwTimestamp = 0;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Where skins come from; only files are read on this platform, the other kinds are
// accepted and read from the resource folder as files.
enum UILIB_RESOURCETYPE { UILIB_FILE = 1, UILIB_ZIP, UILIB_RESOURCE, UILIB_ZIPRESOURCE };

}  // namespace DuiLib
