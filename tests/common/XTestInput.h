// Real input through the X server (XTest) for the GTK host tests: it goes to
// whatever window the server finds under the pointer or has the focus, as a
// user's would. Screen coordinates. Include it last: X11's macros (None, Bool,
// ...) clash with other headers. Tests that use it hold the ctest resource lock
// "display_pointer".
#pragma once

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <functional>

#include "duilib/CGtkHost.h"

namespace xtest {

inline void Move(int x, int y) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  XFlush(dpy);
}
inline void Button(bool press) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XTestFakeButtonEvent(dpy, 1, press ? True : False, CurrentTime);
  XFlush(dpy);
}
inline void Key(KeySym sym) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  const KeyCode code = XKeysymToKeycode(dpy, sym);
  XTestFakeKeyEvent(dpy, code, True, CurrentTime);
  XTestFakeKeyEvent(dpy, code, False, CurrentTime);
  XFlush(dpy);
}
inline void RightClick(int x, int y) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  Move(x, y);
  XTestFakeButtonEvent(dpy, 3, True, CurrentTime);
  XTestFakeButtonEvent(dpy, 3, False, CurrentTime);
  XFlush(dpy);
}
inline void Click(int x, int y) {
  Move(x, y);
  DuiLib::CGtkHost::Pump(50);
  Button(true);
  Button(false);
}
// Pumps until done() holds or about two seconds passed.
inline bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 100 && !done(); ++i) DuiLib::CGtkHost::Pump(20);
  return done();
}

}  // namespace xtest
