#include <gtest/gtest.h>

#include <memory>

#include "MenuResultWindow.h"
#include "common/GtkHostSwap.h"
#include "common/TempDir.h"
#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"
#include "ui/CMenuWnd.h"

// Last: X11's macros clash with the headers above.
#include "common/XTestInput.h"

using namespace DuiLib;

TEST(MenuInGtk, ARealClickOnAnItemReportsItAndEscapeClosesInnermostFirst) {
  CGtkHost* gtk = kvtest::InstallGtkHost();
  if (gtk == nullptr) GTEST_SKIP() << "no display";
  kvtest::TempDir dir;
  dir.WriteFile("menu.xml", R"(<Window><Menu itemtextcolor="#FF000000" bkcolor="#FFFFFFFF">
      <MenuElement name="m_start" text="开始上传"/><MenuElement name="m_exit" text="退出"/>
      <MenuElement name="m_more" text="更多"><MenuElement name="m_sub" text="子项"/></MenuElement>
    </Menu></Window>)");
  CPaintManagerUI::SetResourcePath(dir.path());
  {
    menutest::ResultWindow result;
    ASSERT_NE(result.Create(nullptr, "drop", WS_POPUP | WS_VISIBLE, 0, 600, 34, 131, 36), nullptr);
    CControlUI* receiver = result.GetPaintManager().FindControl("mLabel");
    const auto open = [&] {
      auto* menu = new CMenuWnd(result.GetHWND());
      menu->Init(nullptr, "menu.xml", "xml", POINT{300, 200}, receiver, 150, 139);
      CGtkHost::Pump(400);
      return menu->GetHWND();
    };
    // Opened at once: the drop window's own activation is still on its way.
    HWND menu = open();
    GtkWidget* native = gtk->NativeWindow(menu);
    ASSERT_NE(native, nullptr);
    GdkWindow* gdkWindow = gtk_widget_get_window(native);
    int x = 0, y = 0;
    gdk_window_get_origin(gdkWindow, &x, &y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(gdk_window_get_width(gdkWindow), 139);
    EXPECT_EQ(gdk_window_get_height(gdkWindow), 102);

    xtest::Click(300 + 70, 200 + 17);
    EXPECT_TRUE(xtest::PumpUntil([&] { return CMenuWnd::Observer().Count() == 0; }));
    ASSERT_EQ(result.commands.size(), 1u);
    EXPECT_EQ(receiver->GetUserData(), "m_start");
    EXPECT_EQ(result.Count("menu_msg:mLabel"), 1);

    // Escape closes the sub-menu, and the next one the menu, which has the keys again.
    open();
    xtest::Move(300 + 70, 200 + 68 + 17);
    ASSERT_TRUE(xtest::PumpUntil([&] { return CMenuWnd::Observer().Count() == 2; }));
    CGtkHost::Pump(300);
    xtest::Key(XK_Escape);
    EXPECT_TRUE(xtest::PumpUntil([&] { return CMenuWnd::Observer().Count() == 1; }));
    CGtkHost::Pump(300);
    xtest::Key(XK_Escape);
    EXPECT_TRUE(xtest::PumpUntil([&] { return CMenuWnd::Observer().Count() == 0; }));
    EXPECT_EQ(result.commands.size(), 1u);
    result.DestroyWindow();
  }
  kvtest::RestoreHeadlessHost();
  CPaintManagerUI::SetResourcePath("");
}
