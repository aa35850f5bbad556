// The window operations that window code calls on handles: coordinates,
// placement, visibility, focus, work area and screen metrics, message boxes.
// They work on the toolkit's windows through the installed host. UI thread only.
#pragma once

#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<intptr_t>(-2));
inline HWND const HWND_TOP = nullptr;
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
               SWP_NOACTIVATE = 0x0010, SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080;
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17;
constexpr int IDOK = 1;

bool ClientToScreen(HWND hwnd, POINT* pt);
bool ScreenToClient(HWND hwnd, POINT* pt);
bool GetWindowRect(HWND hwnd, RECT* rc);
bool GetClientRect(HWND hwnd, RECT* rc);
bool IsWindowVisible(HWND hwnd);
bool IsIconic(HWND hwnd);
bool ShowWindow(HWND hwnd, bool show);
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy);
bool DestroyWindow(HWND hwnd);
// Work area of the monitor that holds the window (its top-left corner).
RECT GetMonitorWorkArea(HWND hwnd);
RECT GetWorkAreaAt(POINT pt);
int GetSystemMetrics(int index);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
bool SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
bool BringWindowToTop(HWND hwnd);
bool ReleaseCapture();
// Modal dialog with a display, the text on standard error without one.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags = 0);

}  // namespace DuiLib
