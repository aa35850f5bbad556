// The X display as a user sees it, for the GTK tests: top-level windows of
// any process found by their title, and what the screen shows in a rectangle
// saved as a PNG in the build folder. Include it last: X11's macros clash
// with other headers.
#pragma once

#include <X11/Xatom.h>
#include <gdk/gdkx.h>

#include <optional>
#include <string>

#include "duilib/UIDefs.h"

namespace xscreen {

// The screen rectangle of the viewable top-level window titled `title`.
inline std::optional<DuiLib::RECT> FindTopLevel(const std::string& title) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count) == 0) {
    return std::nullopt;
  }
  std::optional<DuiLib::RECT> found;
  for (unsigned int i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* name = nullptr;
    if (XGetWindowProperty(dpy, children[i], netName, 0, 256, False, utf8, &type, &format, &items,
                           &after, &name) == Success &&
        name != nullptr) {
      if (title == reinterpret_cast<const char*>(name)) {
        found = DuiLib::RECT{attributes.x, attributes.y, attributes.x + attributes.width,
                             attributes.y + attributes.height};
      }
      XFree(name);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

// What the screen shows in the rectangle, as the PNG `name` in the build folder.
inline bool SaveScreen(const DuiLib::RECT& rc, const std::string& name) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, rc.left, rc.top, rc.Width(), rc.Height());
  if (shot == nullptr) return false;
  const std::string path = std::string(KVUP_BUILD_DIR) + "/" + name;
  const bool ok = gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr) != FALSE;
  g_object_unref(shot);
  return ok;
}

}  // namespace xscreen
