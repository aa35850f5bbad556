#include "duilib/CGtkHost.h"

#include <chrono>

#include "duilib/CWindowWnd.h"
#include "platform/MessageQueue.h"

namespace DuiLib {
namespace {

// A GLib source over the platform queue: ready when its wake descriptor is
// readable or a timer is due; dispatching runs the queue once.
struct QueueSource {
  GSource base;
  gpointer fdTag;
  GMainLoop* loop;
};

gboolean QueuePrepare(GSource*, gint* timeout) {
  *timeout = platform::MessageQueue::Instance().MsUntilNextTimer();
  return *timeout == 0;
}

gboolean QueueCheck(GSource* source) {
  auto* qs = reinterpret_cast<QueueSource*>(source);
  if ((g_source_query_unix_fd(source, qs->fdTag) & G_IO_IN) != 0) return TRUE;
  return platform::MessageQueue::Instance().MsUntilNextTimer() == 0;
}

gboolean QueueDispatch(GSource* source, GSourceFunc, gpointer) {
  auto* qs = reinterpret_cast<QueueSource*>(source);
  if (!platform::MessageQueue::Instance().DispatchPending() && qs->loop != nullptr)
    g_main_loop_quit(qs->loop);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs g_queueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

}  // namespace

bool CGtkHost::DisplayAvailable() {
  static const bool available = [] {
    // Window placement, keep-above and move drags need X11; on Wayland the
    // windows go through XWayland.
    gdk_set_allowed_backends("x11");
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return available;
}

CGtkHost::CGtkHost() {
  DisplayAvailable();
  platform::MessageQueue::Instance().BindUiThread();
  m_queueSource = g_source_new(&g_queueFuncs, sizeof(QueueSource));
  auto* qs = reinterpret_cast<QueueSource*>(m_queueSource);
  qs->fdTag =
      g_source_add_unix_fd(m_queueSource, platform::MessageQueue::Instance().WakeFd(), G_IO_IN);
  qs->loop = nullptr;
  g_source_attach(m_queueSource, nullptr);
}

CGtkHost::~CGtkHost() {
  m_natives.clear();
  g_source_destroy(m_queueSource);
  g_source_unref(m_queueSource);
}

CGtkWindow* CGtkHost::Find(HWND hwnd) const {
  auto it = m_natives.find(hwnd);
  return it == m_natives.end() ? nullptr : it->second.get();
}

GtkWidget* CGtkHost::NativeWindow(HWND hwnd) const {
  CGtkWindow* native = Find(hwnd);
  return native != nullptr ? native->Window() : nullptr;
}

bool CGtkHost::Screenshot(HWND hwnd, const std::string& pngPath) const {
  CGtkWindow* native = Find(hwnd);
  if (native == nullptr) return false;
  GdkWindow* gdkWindow = gtk_widget_get_window(native->Window());
  if (gdkWindow == nullptr) return false;
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, gdk_window_get_width(gdkWindow),
                                                 gdk_window_get_height(gdkWindow));
  if (pixbuf == nullptr) return false;
  const bool ok = gdk_pixbuf_save(pixbuf, pngPath.c_str(), "png", nullptr, nullptr) != FALSE;
  g_object_unref(pixbuf);
  return ok;
}

void CGtkHost::Pump(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (g_main_context_iteration(nullptr, FALSE) == FALSE) g_usleep(2000);
  }
}

void CGtkHost::CreateNative(CWindowWnd* wnd) {
  m_natives[wnd->GetHWND()] = std::make_unique<CGtkWindow>(wnd);
}

void CGtkHost::DestroyNative(HWND hwnd) {
  m_natives.erase(hwnd);
}

void CGtkHost::SyncGeometry(HWND hwnd) {
  if (CGtkWindow* native = Find(hwnd)) native->SyncGeometry();
}

void CGtkHost::SyncVisible(HWND hwnd, bool activate) {
  if (CGtkWindow* native = Find(hwnd)) native->SyncVisible(activate);
}

void CGtkHost::SyncStyle(HWND hwnd) {
  if (CGtkWindow* native = Find(hwnd)) native->SyncStyle();
}

void CGtkHost::SyncTitle(HWND hwnd) {
  if (CGtkWindow* native = Find(hwnd)) native->SyncTitle();
}

void CGtkHost::Invalidate(HWND hwnd) {
  if (CGtkWindow* native = Find(hwnd)) gtk_widget_queue_draw(native->Area());
}

void CGtkHost::SetToolTip(HWND hwnd, const std::string& text, int /*width*/) {
  if (CGtkWindow* native = Find(hwnd)) native->SetToolTip(text);
}

void CGtkHost::BeginMoveDrag(HWND hwnd) {
  if (CGtkWindow* native = Find(hwnd)) native->BeginMoveDrag();
}

RECT CGtkHost::WorkAreaAt(POINT pt) {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, pt.x, pt.y);
  if (monitor == nullptr) return ScreenRect();
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

RECT CGtkHost::ScreenRect() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return RECT{0, 0, 1920, 1080};
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

void CGtkHost::MessageBox(HWND owner, const std::string& text, const std::string& caption) {
  GtkWidget* parent = NativeWindow(owner);
  GtkWidget* dialog =
      gtk_message_dialog_new(parent != nullptr ? GTK_WINDOW(parent) : nullptr, GTK_DIALOG_MODAL,
                             GTK_MESSAGE_INFO, GTK_BUTTONS_OK_CANCEL, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

int CGtkHost::RunLoop() {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  auto* qs = reinterpret_cast<QueueSource*>(m_queueSource);
  qs->loop = loop;
  // A quit request made before the loop started ends it at once.
  if (platform::MessageQueue::Instance().DispatchPending()) g_main_loop_run(loop);
  qs->loop = nullptr;
  g_main_loop_unref(loop);
  return platform::MessageQueue::Instance().QuitCode();
}

}  // namespace DuiLib
