#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "common/DuiTestWindow.h"
#include "common/GtkHostSwap.h"
#include "duilib/CDropFiles.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CInputInjector.h"
#include "duilib/WindowFunctions.h"

// Last: X11's macros (None, Bool, ...) clash with the headers above.
#include "common/XTestInput.h"

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
  std::vector<std::pair<UINT, WPARAM>> others;  // the messages below, in order
  int captionHeight = 0;                        // the rows where WM_NCHITTEST answers HTCAPTION
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    switch (msg) {
      case WM_RBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_KEYDOWN:
      case WM_SYSCOMMAND:
      case WM_MOUSELEAVE:
        others.emplace_back(msg, w);
        break;
      default:
        break;
    }
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
    gtk_ = kvtest::InstallGtkHost();
    if (gtk_ == nullptr) GTEST_SKIP() << "no display";
  }
  void TearDown() override {
    if (gtk_ == nullptr) return;
    kvtest::RestoreHeadlessHost();
  }
  CGtkHost* gtk_ = nullptr;
};
}  // namespace

TEST(GtkWindow, AppearsWithSizeAndTitleTakesAClickAndIsPhotographed) {
  CGtkHost* gtk = kvtest::InstallGtkHost();
  if (gtk == nullptr) GTEST_SKIP() << "no display";
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
  kvtest::RestoreHeadlessHost();
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
  kvtest::RestoreHeadlessHost();
}

TEST_F(GtkHostTest, ClicksOutsideTheRoundedCornersFallThrough) {
  InputWindow wnd(R"(<Window size="120,80" roundcorner="40,40">
      <VerticalLayout bkcolor="#FF336699"/></Window>)");
  HWND hwnd = wnd.Create(nullptr, "round", WS_POPUP | WS_VISIBLE, 0, 100, 100, 10, 10);
  ASSERT_NE(hwnd, nullptr);
  CGtkHost::Pump(400);
  xtest::Click(100 + 2, 100 + 2);   // inside the window's box, outside the corner
  xtest::Click(100 + 60, 100 + 1);  // the middle of the top edge is inside
  ASSERT_TRUE(xtest::PumpUntil([&] { return !wnd.presses.empty(); }));
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

  xtest::Move(430, 130);
  CGtkHost::Pump(50);
  xtest::Button(true);
  for (int i = 1; i <= 10; ++i) {
    xtest::Move(430 - i * 27, 130 + i);
    CGtkHost::Pump(30);
  }
  // Resting over the window during the drag.
  EXPECT_TRUE(xtest::PumpUntil([&] { return !target.hoverKeys.empty(); }));
  xtest::Button(false);
  EXPECT_TRUE(xtest::PumpUntil([&] { return !target.dropped.empty(); }));
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
  xtest::Move(160, 110);
  CGtkHost::Pump(50);
  xtest::Button(true);
  CGtkHost::Pump(50);
  for (int i = 1; i <= 5; ++i) {
    xtest::Move(160 + i * 10, 110 + i * 6);
    CGtkHost::Pump(30);
  }
  xtest::Button(false);
  EXPECT_TRUE(xtest::PumpUntil([&] { return wnd.GetWindowRect().left == 150; }));
  EXPECT_EQ(wnd.GetWindowRect(), (RECT{150, 130, 270, 210}));
  EXPECT_TRUE(wnd.presses.empty());
  // Below the caption a press is the client's.
  xtest::Click(160, 170);
  EXPECT_TRUE(xtest::PumpUntil([&] { return !wnd.presses.empty(); }));
  wnd.DestroyWindow();
}

TEST_F(GtkHostTest, ServerInputBecomesTheWindowMessages) {
  InputWindow wnd(R"(<Window size="120,80"><VerticalLayout bkcolor="#FF336699"/></Window>)");
  HWND hwnd = wnd.Create(nullptr, "input", WS_POPUP | WS_VISIBLE, 0, 100, 100, 120, 80);
  ASSERT_NE(hwnd, nullptr);
  CGtkHost::Pump(400);
  using Seen = std::pair<UINT, WPARAM>;
  const auto saw = [&](UINT msg, WPARAM w) {
    return std::find(wnd.others.begin(), wnd.others.end(), Seen{msg, w}) != wnd.others.end();
  };
  xtest::RightClick(150, 130);
  EXPECT_TRUE(xtest::PumpUntil([&] { return saw(WM_RBUTTONDOWN, MK_RBUTTON); }));
  xtest::Click(150, 130);
  xtest::Button(true);
  xtest::Button(false);
  EXPECT_TRUE(xtest::PumpUntil([&] { return saw(WM_LBUTTONDBLCLK, MK_LBUTTON); }));
  xtest::Key(XK_Escape);
  EXPECT_TRUE(xtest::PumpUntil([&] { return saw(WM_KEYDOWN, VK_ESCAPE); }));
  xtest::Move(400, 400);
  EXPECT_TRUE(xtest::PumpUntil([&] { return saw(WM_MOUSELEAVE, 0); }));
  // The window manager's close button arrives as SC_CLOSE, which closes the window.
  gtk_window_close(GTK_WINDOW(gtk_->NativeWindow(hwnd)));
  EXPECT_TRUE(xtest::PumpUntil([&] { return saw(WM_SYSCOMMAND, SC_CLOSE); }));
  EXPECT_TRUE(xtest::PumpUntil([&] { return !platform::IsWindow(hwnd); }));
  wnd.DestroyWindow();
}
