// The native side of one window in the GTK host: a GtkWindow with a drawing
// area, its styles mapped (no caption: undecorated; top-most: kept above; tool
// window: no task-bar entry), and its GTK events turned into window messages.
// A file dragged over the window moves and rests the pointer as with the left
// button held, so hover handling sees MK_LBUTTON during a drag.
// User-interface thread only.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CWindowWnd;

class CGtkWindow {
 public:
  explicit CGtkWindow(CWindowWnd* wnd);
  ~CGtkWindow();
  CGtkWindow(const CGtkWindow&) = delete;
  CGtkWindow& operator=(const CGtkWindow&) = delete;

  GtkWidget* Window() const { return m_window; }
  GtkWidget* Area() const { return m_area; }
  void SyncGeometry();
  void SyncVisible(bool activate);
  void SyncStyle();
  void SyncTitle();
  void SetToolTip(const std::string& text);
  void BeginMoveDrag();

 private:
  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
  static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
  static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
  static gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self);
  static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self);
  static gboolean OnPopupMenu(GtkWidget*, gpointer self);
  static void OnDragData(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* data,
                         guint, guint time, gpointer self);
  static gboolean OnDragMotion(GtkWidget*, GdkDragContext*, gint x, gint y, guint, gpointer self);
  static void OnDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer self);
  static gboolean OnHoverTimeout(gpointer self);
  static gboolean OnFocusSettled(gpointer self);

  LRESULT Send(UINT msg, WPARAM w, LPARAM l);
  void PointerAt(POINT pt, WPARAM keys);
  void PointerLeft();
  // Clicks outside the rounded corners fall through to what lies below, and
  // the corners show what lies below.
  void SyncInputShape(SIZE size, SIZE corner);
  void RestartHover();
  void StopHover();

  CWindowWnd* m_wnd;
  HWND m_hwnd;
  GtkWidget* m_window = nullptr;
  GtkWidget* m_area = nullptr;
  guint m_hoverSource = 0;
  guint m_focusSource = 0;
  POINT m_lastPoint;
  WPARAM m_keyState = 0;
  int m_lastButton = 1;
  int m_lastRootX = 0;
  int m_lastRootY = 0;
  guint32 m_lastTime = GDK_CURRENT_TIME;
  SIZE m_shapeSize;
  SIZE m_shapeCorner;
  RECT m_requested;
  bool m_requestPending = false;
};

}  // namespace DuiLib
