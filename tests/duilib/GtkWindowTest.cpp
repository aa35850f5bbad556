#include <gtest/gtest.h>
#include <sys/stat.h>

#include "DuiTestWindow.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CInputInjector.h"

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
