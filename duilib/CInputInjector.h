// Input for tests and tools, sent to a window as the host would send it: the
// window takes the focus first (as a click activates a window), then gets the
// mouse or key messages. Points are in client coordinates. UI thread only.
#pragma once

#include <string>
#include <vector>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CInputInjector {
 public:
  // Press and release of the left button at the point; where the window's
  // WM_NCHITTEST answers HTCAPTION, WM_NCLBUTTONDOWN (a window move) instead.
  static void ClickAt(HWND hwnd, POINT pt);
  // At the centre of the named control; false when it is not found or not shown.
  static bool ClickControl(HWND hwnd, const std::string& name);
  static void MoveTo(HWND hwnd, POINT pt);
  // The pointer comes to rest at the point (move, then hover).
  static void HoverAt(HWND hwnd, POINT pt, WPARAM keys = 0);
  static bool HoverControl(HWND hwnd, const std::string& name);
  static void RightClickAt(HWND hwnd, POINT pt);
  static void Wheel(HWND hwnd, POINT pt, int notches);
  // Key press to the window that has the focus (or hwnd when given).
  static void Key(WPARAM vk, HWND hwnd = nullptr);
  // Paths dropped on the window; WM_DROPFILES arrives through the queue.
  static bool Drop(HWND hwnd, const std::vector<std::string>& paths);
  // Centre of a control in client coordinates; false when not found.
  static bool CenterOf(HWND hwnd, const std::string& name, POINT* pt);
};

}  // namespace DuiLib
