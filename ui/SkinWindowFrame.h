// What the skinned windows share outside their client area: they have no
// caption and no drawn frame (the skin draws everything), the system close
// ends the message loop, and windows with a caption area in their skin can be
// moved by it. User-interface thread only.
#pragma once

#include "duilib/CPaintManagerUI.h"
#include "duilib/CWindowWnd.h"

class SkinWindowFrame {
 public:
  // On WM_CREATE: the caption goes, clipping of siblings and children comes.
  static void StripCaption(DuiLib::CWindowWnd& wnd);
  // WM_DESTROY (posts the quit message, left unhandled), WM_NCCALCSIZE and
  // WM_NCPAINT (0), WM_NCACTIVATE, WM_SYSCOMMAND (SC_CLOSE posts the quit
  // message). True when the message is handled, with its result.
  static bool Handle(DuiLib::CWindowWnd& wnd, DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l,
                     DuiLib::LRESULT* result);
  // WM_NCHITTEST: HTCAPTION inside the skin's caption area unless over a
  // button, option or text control; HTCLIENT elsewhere.
  static DuiLib::LRESULT CaptionHitTest(DuiLib::HWND hwnd, DuiLib::CPaintManagerUI& pm,
                                        DuiLib::LPARAM l);
};
