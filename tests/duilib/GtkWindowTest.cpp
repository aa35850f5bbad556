#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "common/DuiTestWindow.h"
#include "duilib/CDropFiles.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CInputInjector.h"
#include "duilib/WindowFunctions.h"

// Last: X11's macros (None, Bool, ...) clash with the headers above.
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

using namespace DuiLib;

namespace {
// A button event as the display server would deliver it to the drawing area.
void SendButton(GdkWindow* window, GdkEventType type, POINT pt) {
  GdkEvent* event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(window));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = pt.x;
  event->button.y = pt.y;
  event->button.button = 1;
  gdk_event_set_device(
      event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window))));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// Real pointer input through the X server (XTest): it goes to whatever window
// the server finds under the pointer, as a user's would.
void ServerMove(int x, int y) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  XFlush(dpy);
}
void ServerButton(bool press) {
  Display* dpy = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XTestFakeButtonEvent(dpy, 1, press ? True : False, CurrentTime);
  XFlush(dpy);
}
void ServerClick(int x, int y) {
  ServerMove(x, y);
  CGtkHost::Pump(50);
  ServerButton(true);
  ServerButton(false);
}
// Pumps until done() holds or about two seconds passed.
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 100 && !done(); ++i) CGtkHost::Pump(20);
  return done();
}

void OfferFile(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  const gchar* uris[] = {"file:///tmp/%E4%B8%8A%E4%BC%A0.txt", nullptr};
  gtk_selection_data_set_uris(data, const_cast<gchar**>(uris));
}

// Records the mouse messages that reach it.
class InputWindow : public duitest::TestWindow {
 public:
  using TestWindow::TestWindow;
  std::vector<POINT> presses;
  std::vector<WPARAM> hoverKeys;
  std::vector<std::string> dropped;
  int captionHeight = 0;  // the rows where WM_NCHITTEST answers HTCAPTION
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_NCHITTEST) {
      POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      ScreenToClient(m_hWnd, &pt);
      return pt.y < captionHeight ? HTCAPTION : HTCLIENT;
    }
    if (msg == WM_LBUTTONDOWN) presses.push_back(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
    if (msg == WM_MOUSEHOVER) hoverKeys.push_back(w);
    if (msg == WM_DROPFILES) {
      HDROP drop = DropFromWParam(w);
      char buf[512];
      for (UINT i = 0; i < DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0); ++i) {
        DragQueryFile(drop, i, buf, sizeof buf);
        dropped.emplace_back(buf);
      }
      DragFinish(drop);
      return 0;
    }
    return TestWindow::HandleMessage(msg, w, l);
  }
};

class GtkHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CGtkHost::DisplayAvailable()) GTEST_SKIP() << "no display";
    auto host = std::make_unique<CGtkHost>();
    gtk_ = host.get();
    CUIHost::Install(std::move(host));
  }
  void TearDown() override {
    if (gtk_ == nullptr) return;
    CUIHost::Install(std::make_unique<CHeadlessHost>());
    platform::MessageQueue::Instance().Reset();
  }
  CGtkHost* gtk_ = nullptr;
};
}  // namespace

TEST(GtkWindow, AppearsWithSizeAndTitleTakesAClickAndIsPhotographed) {
  if (!CGtkHost::DisplayAvailable()) GTEST_SKIP() << "no display";
  auto host = std::make_unique<CGtkHost>();
  CGtkHost* gtk = host.get();
  CUIHost::Install(std::move(host));
  {
    duitest::TestWindow wnd(R"(<Window size="180,90"><VerticalLayout bkcolor="#FF336699">
        <Button name="btn" height="40" bkcolor="#FFFF8000" text="点击"/></VerticalLayout></Window>)");
    HWND hwnd = wnd.Create(nullptr, "Quorel test", WS_POPUP | WS_VISIBLE, 0, 50, 60, 10, 10);
    ASSERT_NE(hwnd, nullptr);
    GtkWidget* native = gtk->NativeWindow(hwnd);
    ASSERT_NE(native, nullptr);
    CGtkHost::Pump(600);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(native)), "Quorel test");
    GdkWindow* gdkWindow = gtk_widget_get_window(native);
    ASSERT_NE(gdkWindow, nullptr);
    EXPECT_EQ(gdk_window_get_width(gdkWindow), 180);
    EXPECT_EQ(gdk_window_get_height(gdkWindow), 90);

    POINT pt;
    ASSERT_TRUE(CInputInjector::CenterOf(hwnd, "btn", &pt));
    GList* children = gtk_container_get_children(GTK_CONTAINER(native));
    GdkWindow* areaWindow = gtk_widget_get_window(GTK_WIDGET(children->data));
    g_list_free(children);
    SendButton(areaWindow, GDK_BUTTON_PRESS, pt);
    SendButton(areaWindow, GDK_BUTTON_RELEASE, pt);
    for (int i = 0; i < 50 && wnd.Count("click:btn") == 0; ++i) CGtkHost::Pump(20);
    EXPECT_EQ(wnd.Count("click:btn"), 1);

    const std::string shot = std::string(KVUP_BUILD_DIR) + "/duilib_gtk_window.png";
    ::unlink(shot.c_str());
    ASSERT_TRUE(gtk->Screenshot(hwnd, shot));
    struct stat st {};
    EXPECT_EQ(::stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 0);
    wnd.DestroyWindow();
  }
  CUIHost::Install(std::make_unique<CHeadlessHost>());
  platform::MessageQueue::Instance().Reset();
}

TEST(GtkWindow, PostedMessagesWakeTheGtkLoop) {
  if (!CGtkHost::DisplayAvailable()) GTEST_SKIP() << "no display";
  CUIHost::Install(std::make_unique<CGtkHost>());
  struct Quitter : duitest::TestWindow {
    using TestWindow::TestWindow;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
      if (msg == WM_USER + 7) platform::PostQuitMessage(static_cast<int>(w));
      return TestWindow::HandleMessage(msg, w, l);
    }
  } wnd(R"(<Window size="40,40"><Control/></Window>)");
  HWND hwnd = wnd.Create(nullptr, "loop", WS_POPUP, 0, 0, 0, 40, 40);
  ASSERT_NE(hwnd, nullptr);
  std::thread worker([hwnd] { platform::PostMessage(hwnd, WM_USER + 7, 5, 0); });
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 5);
  worker.join();
  wnd.DestroyWindow();
  CUIHost::Install(std::make_unique<CHeadlessHost>());
  platform::MessageQueue::Instance().Reset();
}

TEST_F(GtkHostTest, ClicksOutsideTheRoundedCornersFallThrough) {
  InputWindow wnd(R"(<Window size="120,80" roundcorner="40,40">
      <VerticalLayout bkcolor="#FF336699"/></Window>)");
  HWND hwnd = wnd.Create(nullptr, "round", WS_POPUP | WS_VISIBLE, 0, 100, 100, 10, 10);
  ASSERT_NE(hwnd, nullptr);
  CGtkHost::Pump(400);
  ServerClick(100 + 2, 100 + 2);   // inside the window's box, outside the corner
  ServerClick(100 + 60, 100 + 1);  // the middle of the top edge is inside
  ASSERT_TRUE(PumpUntil([&] { return !wnd.presses.empty(); }));
  CGtkHost::Pump(100);
  ASSERT_EQ(wnd.presses.size(), 1u);
  EXPECT_EQ(wnd.presses[0].x, 60);
  EXPECT_EQ(wnd.presses[0].y, 1);
  wnd.DestroyWindow();
}

TEST_F(GtkHostTest, AFileDraggedOverTheWindowHoversWithTheButtonHeldAndDrops) {
  InputWindow target(R"(<Window size="120,80"><VerticalLayout bkcolor="#FF336699"/></Window>)");
  HWND hwnd =
      target.Create(nullptr, "target", WS_POPUP | WS_VISIBLE, WS_EX_ACCEPTFILES, 100, 100, 120, 80);
  ASSERT_NE(hwnd, nullptr);
  // A drag source in the manner of a file manager, offering one file.
  GtkWidget* source = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(source), FALSE);
  GtkWidget* box = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(source), box);
  gtk_window_move(GTK_WINDOW(source), 400, 100);
  gtk_window_set_default_size(GTK_WINDOW(source), 60, 60);
  static const GtkTargetEntry kTargets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
  gtk_drag_source_set(box, GDK_BUTTON1_MASK, kTargets, 1, GDK_ACTION_COPY);
  g_signal_connect(box, "drag-data-get", G_CALLBACK(OfferFile), nullptr);
  gtk_widget_show_all(source);
  CGtkHost::Pump(400);

  ServerMove(430, 130);
  CGtkHost::Pump(50);
  ServerButton(true);
  for (int i = 1; i <= 10; ++i) {
    ServerMove(430 - i * 27, 130 + i);
    CGtkHost::Pump(30);
  }
  // Resting over the window during the drag.
  EXPECT_TRUE(PumpUntil([&] { return !target.hoverKeys.empty(); }));
  ServerButton(false);
  EXPECT_TRUE(PumpUntil([&] { return !target.dropped.empty(); }));
  ASSERT_FALSE(target.hoverKeys.empty());
  EXPECT_EQ(target.hoverKeys.back(), MK_LBUTTON);
  EXPECT_EQ(target.dropped, (std::vector<std::string>{"/tmp/上传.txt"}));
  gtk_widget_destroy(source);
  target.DestroyWindow();
}

TEST_F(GtkHostTest, APressOnTheCaptionMovesTheWindowWithThePointer) {
  InputWindow wnd(R"(<Window size="120,80"><VerticalLayout bkcolor="#FF336699"/></Window>)");
  wnd.captionHeight = 20;
  HWND hwnd = wnd.Create(nullptr, "caption", WS_POPUP | WS_VISIBLE, 0, 100, 100, 120, 80);
  ASSERT_NE(hwnd, nullptr);
  CGtkHost::Pump(400);
  ServerMove(160, 110);
  CGtkHost::Pump(50);
  ServerButton(true);
  CGtkHost::Pump(50);
  for (int i = 1; i <= 5; ++i) {
    ServerMove(160 + i * 10, 110 + i * 6);
    CGtkHost::Pump(30);
  }
  ServerButton(false);
  EXPECT_TRUE(PumpUntil([&] { return wnd.GetWindowRect().left == 150; }));
  EXPECT_EQ(wnd.GetWindowRect(), (RECT{150, 130, 270, 210}));
  EXPECT_TRUE(wnd.presses.empty());
  // Below the caption a press is the client's.
  ServerClick(160, 170);
  EXPECT_TRUE(PumpUntil([&] { return !wnd.presses.empty(); }));
  wnd.DestroyWindow();
}
