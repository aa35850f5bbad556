#include "duilib/CGtkWindow.h"

#include <vector>

#include "duilib/CDropFiles.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CWindowWnd.h"
#include "platform/MessageQueue.h"

namespace DuiLib {
namespace {

constexpr guint kHoverMs = 400;

LPARAM PointParam(double x, double y) {
  return MAKELPARAM(static_cast<int>(x), static_cast<int>(y));
}

WPARAM KeyState(guint state) {
  WPARAM keys = 0;
  if ((state & GDK_BUTTON1_MASK) != 0) keys |= MK_LBUTTON;
  if ((state & GDK_BUTTON3_MASK) != 0) keys |= MK_RBUTTON;
  return keys;
}

WPARAM VirtualKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Escape:
      return VK_ESCAPE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      return VK_RETURN;
    case GDK_KEY_Up:
      return VK_UP;
    case GDK_KEY_Down:
      return VK_DOWN;
    default:
      return keyval < 0x80 ? gdk_keyval_to_upper(keyval) : 0;
  }
}

}  // namespace

CGtkWindow::CGtkWindow(CWindowWnd* wnd) : m_wnd(wnd), m_hwnd(wnd->GetHWND()) {
  m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_ref_sink(m_window);
  GdkScreen* screen = gtk_widget_get_screen(m_window);
  if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen)) gtk_widget_set_visual(m_window, rgba);
  gtk_widget_set_app_paintable(m_window, TRUE);
  if ((wnd->GetExStyle() & WS_EX_TOOLWINDOW) != 0)
    gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_UTILITY);
  m_area = gtk_drawing_area_new();
  gtk_widget_set_can_focus(m_area, TRUE);
  gtk_widget_add_events(m_area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                    GDK_BUTTON_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK |
                                    GDK_SCROLL_MASK | GDK_KEY_PRESS_MASK);
  gtk_container_add(GTK_CONTAINER(m_window), m_area);
  g_signal_connect(m_area, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(m_area, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
  g_signal_connect(m_area, "button-press-event", G_CALLBACK(OnButton), this);
  g_signal_connect(m_area, "button-release-event", G_CALLBACK(OnButton), this);
  g_signal_connect(m_area, "motion-notify-event", G_CALLBACK(OnMotion), this);
  g_signal_connect(m_area, "leave-notify-event", G_CALLBACK(OnLeave), this);
  g_signal_connect(m_area, "scroll-event", G_CALLBACK(OnScroll), this);
  g_signal_connect(m_area, "popup-menu", G_CALLBACK(OnPopupMenu), this);
  g_signal_connect(m_window, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(m_window, "focus-in-event", G_CALLBACK(OnFocus), this);
  g_signal_connect(m_window, "focus-out-event", G_CALLBACK(OnFocus), this);
  g_signal_connect(m_window, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(m_window, "configure-event", G_CALLBACK(OnConfigure), this);
  if ((wnd->GetExStyle() & WS_EX_ACCEPTFILES) != 0) {
    static const GtkTargetEntry kTargets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
    gtk_drag_dest_set(m_area, GTK_DEST_DEFAULT_ALL, kTargets, 1, GDK_ACTION_COPY);
    g_signal_connect(m_area, "drag-data-received", G_CALLBACK(OnDragData), this);
    g_signal_connect(m_area, "drag-motion", G_CALLBACK(OnDragMotion), this);
    g_signal_connect(m_area, "drag-leave", G_CALLBACK(OnDragLeave), this);
  }
  SyncTitle();
  SyncStyle();
  SyncGeometry();
}

CGtkWindow::~CGtkWindow() {
  StopHover();
  if (m_focusSource != 0) g_source_remove(m_focusSource);
  g_signal_handlers_disconnect_by_data(m_area, this);
  g_signal_handlers_disconnect_by_data(m_window, this);
  gtk_widget_destroy(m_window);
  g_object_unref(m_window);
}

LRESULT CGtkWindow::Send(UINT msg, WPARAM w, LPARAM l) {
  return platform::SendMessage(m_hwnd, msg, w, l);
}

void CGtkWindow::SyncGeometry() {
  const RECT rc = m_wnd->GetWindowRect();
  m_requested = rc;
  m_requestPending = true;
  gtk_window_move(GTK_WINDOW(m_window), rc.left, rc.top);
  if (rc.Width() > 0 && rc.Height() > 0) {
    gtk_window_set_default_size(GTK_WINDOW(m_window), rc.Width(), rc.Height());
    gtk_window_resize(GTK_WINDOW(m_window), rc.Width(), rc.Height());
  }
}

void CGtkWindow::SyncVisible(bool activate) {
  if (!m_wnd->IsVisible()) {
    gtk_widget_hide(m_window);
    return;
  }
  gtk_widget_show_all(m_window);
  SyncGeometry();
  if (activate) gtk_window_present(GTK_WINDOW(m_window));
}

void CGtkWindow::SyncStyle() {
  gtk_window_set_decorated(GTK_WINDOW(m_window), (m_wnd->GetStyle() & WS_CAPTION) == WS_CAPTION);
  gtk_window_set_keep_above(GTK_WINDOW(m_window), m_wnd->IsTopMost());
  const bool tool = (m_wnd->GetExStyle() & WS_EX_TOOLWINDOW) != 0;
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(m_window), tool);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(m_window), tool);
}

void CGtkWindow::SyncTitle() {
  gtk_window_set_title(GTK_WINDOW(m_window), m_wnd->GetTitle().c_str());
}

void CGtkWindow::SetToolTip(const std::string& text) {
  gtk_widget_set_tooltip_text(m_area, text.empty() ? nullptr : text.c_str());
}

void CGtkWindow::BeginMoveDrag() {
  m_requestPending = false;
  gtk_window_begin_move_drag(GTK_WINDOW(m_window), m_lastButton, m_lastRootX, m_lastRootY,
                             m_lastTime);
}

gboolean CGtkWindow::OnDraw(GtkWidget* area, cairo_t* cr, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  CPaintManagerUI* pm = CPaintManagerUI::FromWindow(w->m_hwnd);
  if (pm == nullptr) return TRUE;
  w->SyncInputShape(
      SIZE{gtk_widget_get_allocated_width(area), gtk_widget_get_allocated_height(area)},
      pm->GetRoundCorner());
  pm->Paint(cr);
  return TRUE;
}

void CGtkWindow::OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
  // Shaped before it is first shown: corners cut later leave the window
  // below unpainted there until something redraws it.
  auto* w = static_cast<CGtkWindow*>(self);
  if (CPaintManagerUI* pm = CPaintManagerUI::FromWindow(w->m_hwnd))
    w->SyncInputShape(SIZE{allocation->width, allocation->height}, pm->GetRoundCorner());
}

void CGtkWindow::SyncInputShape(SIZE size, SIZE corner) {
  if (size.cx == m_shapeSize.cx && size.cy == m_shapeSize.cy && corner.cx == m_shapeCorner.cx &&
      corner.cy == m_shapeCorner.cy)
    return;
  m_shapeSize = size;
  m_shapeCorner = corner;
  // Without a compositor the transparent corners of the RGBA visual show
  // black: the window's own shape cuts them off instead.
  const bool composited = gdk_screen_is_composited(gtk_widget_get_screen(m_window)) != FALSE;
  if (corner.cx <= 0 || corner.cy <= 0) {
    gtk_widget_input_shape_combine_region(m_window, nullptr);
    if (!composited) gtk_widget_shape_combine_region(m_window, nullptr);
    return;
  }
  cairo_region_t* region = CRenderEngine::RoundCornerRegion(size, corner);
  gtk_widget_input_shape_combine_region(m_window, region);
  if (!composited) gtk_widget_shape_combine_region(m_window, region);
  cairo_region_destroy(region);
}

gboolean CGtkWindow::OnButton(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  w->m_lastButton = static_cast<int>(event->button);
  w->m_lastRootX = static_cast<int>(event->x_root);
  w->m_lastRootY = static_cast<int>(event->y_root);
  w->m_lastTime = event->time;
  w->m_lastPoint = POINT{static_cast<int>(event->x), static_cast<int>(event->y)};
  const LPARAM pt = PointParam(event->x, event->y);
  const bool left = event->button == 1;
  const bool right = event->button == 3;
  if (event->type == GDK_BUTTON_PRESS) {
    gtk_widget_grab_focus(w->m_area);
    // A press on what the window calls its caption moves the window instead.
    const LPARAM screen = PointParam(event->x_root, event->y_root);
    if (left && w->Send(WM_NCHITTEST, 0, screen) == HTCAPTION) {
      w->Send(WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), screen);
      return TRUE;
    }
    if (left) w->Send(WM_LBUTTONDOWN, MK_LBUTTON, pt);
    if (right) w->Send(WM_RBUTTONDOWN, MK_RBUTTON, pt);
  } else if (event->type == GDK_2BUTTON_PRESS) {
    if (left) w->Send(WM_LBUTTONDBLCLK, MK_LBUTTON, pt);
    if (right) w->Send(WM_RBUTTONDBLCLK, MK_RBUTTON, pt);
  } else if (event->type == GDK_BUTTON_RELEASE) {
    if (left) w->Send(WM_LBUTTONUP, 0, pt);
    if (right) w->Send(WM_RBUTTONUP, 0, pt);
  }
  return TRUE;
}

void CGtkWindow::PointerAt(POINT pt, WPARAM keys) {
  m_lastPoint = pt;
  m_keyState = keys;
  Send(WM_MOUSEMOVE, keys, MAKELPARAM(pt.x, pt.y));
  RestartHover();
}

void CGtkWindow::PointerLeft() {
  StopHover();
  Send(WM_MOUSELEAVE, 0, 0);
}

gboolean CGtkWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
  static_cast<CGtkWindow*>(self)->PointerAt(
      POINT{static_cast<int>(event->x), static_cast<int>(event->y)}, KeyState(event->state));
  return TRUE;
}

gboolean CGtkWindow::OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
  if (event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  static_cast<CGtkWindow*>(self)->PointerLeft();
  return FALSE;
}

// The drop site answers the drag itself; this only reports where the pointer is.
gboolean CGtkWindow::OnDragMotion(GtkWidget*, GdkDragContext*, gint x, gint y, guint,
                                  gpointer self) {
  static_cast<CGtkWindow*>(self)->PointerAt(POINT{x, y}, MK_LBUTTON);
  return FALSE;
}

void CGtkWindow::OnDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer self) {
  static_cast<CGtkWindow*>(self)->PointerLeft();
}

gboolean CGtkWindow::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  int delta = 0;
  if (event->direction == GDK_SCROLL_UP) delta = WHEEL_DELTA;
  if (event->direction == GDK_SCROLL_DOWN) delta = -WHEEL_DELTA;
  if (event->direction == GDK_SCROLL_SMOOTH)
    delta = event->delta_y < 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  if (delta != 0) w->Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), PointParam(event->x, event->y));
  return TRUE;
}

gboolean CGtkWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  const WPARAM vk = VirtualKey(event->keyval);
  if (vk == 0) return FALSE;
  w->Send(WM_KEYDOWN, vk, 0);
  return TRUE;
}

// Focus events of several windows come in bursts, and one may be stale (the
// window manager activating a window the user clicked after the click already
// opened a pop-up that took the focus); decide once GTK is idle, by the state
// the whole burst left.
gboolean CGtkWindow::OnFocus(GtkWidget*, GdkEventFocus*, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  if (w->m_focusSource == 0) w->m_focusSource = g_idle_add(OnFocusSettled, w);
  return FALSE;
}

gboolean CGtkWindow::OnFocusSettled(gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  w->m_focusSource = 0;
  if (gtk_window_has_toplevel_focus(GTK_WINDOW(w->m_window)) != FALSE) {
    CWindowWnd::MoveFocus(w->m_hwnd);
  } else if (CWindowWnd::GetFocusWindow() == w->m_hwnd) {
    CWindowWnd::MoveFocus(nullptr);
  }
  return G_SOURCE_REMOVE;
}

gboolean CGtkWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<CGtkWindow*>(self)->Send(WM_SYSCOMMAND, SC_CLOSE, 0);
  return TRUE;
}

gboolean CGtkWindow::OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  const RECT rc{event->x, event->y, event->x + event->width, event->y + event->height};
  // Configure events that precede a requested change report stale geometry.
  if (w->m_requestPending) {
    if (rc == w->m_requested) w->m_requestPending = false;
    return FALSE;
  }
  w->m_wnd->HostGeometryChanged(rc);
  return FALSE;
}

gboolean CGtkWindow::OnPopupMenu(GtkWidget*, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  w->Send(WM_CONTEXTMENU, 0, MAKELPARAM(w->m_lastPoint.x, w->m_lastPoint.y));
  return TRUE;
}

void CGtkWindow::OnDragData(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* data,
                            guint, guint time, gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  std::vector<std::string> paths;
  gchar** uris = gtk_selection_data_get_uris(data);
  for (gchar** uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
    gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
    if (path != nullptr) paths.emplace_back(path);
    g_free(path);
  }
  g_strfreev(uris);
  const bool ok = !paths.empty() && PostDropFiles(w->m_hwnd, std::move(paths));
  gtk_drag_finish(context, ok, FALSE, time);
}

void CGtkWindow::RestartHover() {
  StopHover();
  m_hoverSource = g_timeout_add(kHoverMs, OnHoverTimeout, this);
}

void CGtkWindow::StopHover() {
  if (m_hoverSource != 0) g_source_remove(m_hoverSource);
  m_hoverSource = 0;
}

gboolean CGtkWindow::OnHoverTimeout(gpointer self) {
  auto* w = static_cast<CGtkWindow*>(self);
  w->m_hoverSource = 0;
  w->Send(WM_MOUSEHOVER, w->m_keyState, MAKELPARAM(w->m_lastPoint.x, w->m_lastPoint.y));
  return G_SOURCE_REMOVE;
}

}  // namespace DuiLib
