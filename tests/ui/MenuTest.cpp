#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>

#include "MenuResultWindow.h"
#include "common/DuiTestWindow.h"
#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CInputInjector.h"
#include "duilib/CUIHost.h"
#include "duilib/WindowFunctions.h"
#include "session/Messages.h"
#include "ui/CMenuBuilderCallback.h"
#include "ui/CMenuElementUI.h"
#include "ui/CMenuUI.h"
#include "ui/CMenuWnd.h"

using namespace DuiLib;

namespace {

// 139 x 34 items: the top menu is 139 x 102, "m_more" opens 143 x 68.
const char* kMenuSkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window>
  <Menu name="menu" itemtextcolor="#FF000000" itemselectedbkcolor="#FFDDDDDD">
    <MenuElement name="m_start" text="开始上传" checkimg="file='red.png' dest='4,9,20,25'"/>
    <MenuElement name="m_more" text="更多">
      <MenuElement name="m_sub1" text="子项一"/>
      <MenuElement name="m_sub2" text="子项二">
        <MenuElement name="m_deep" text="更深"/>
      </MenuElement>
    </MenuElement>
    <MenuElement name="m_exit" text="退出" checked="false" checkimg="file='red.png' dest='4,9,20,25'"/>
  </Menu>
</Window>)";

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto host = std::make_unique<CHeadlessHost>();
    host_ = host.get();
    host_->SetScreen(RECT{0, 0, 1000, 800}, RECT{0, 0, 1000, 760});
    CUIHost::Install(std::move(host));
    WritePng("red.png");
    dir_.WriteFile("menu.xml", kMenuSkin);
    CPaintManagerUI::SetResourcePath(dir_.path());
    ASSERT_NE(result_.Create(nullptr, "drop", WS_POPUP | WS_VISIBLE, 0, 860, 34, 131, 36), nullptr);
    receiver_ = result_.GetPaintManager().FindControl("mLabel");
  }
  void TearDown() override {
    CMenuWnd::Observer().Broadcast(ContextMenuParam{1, nullptr});
    duitest::Settle();
    EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
    result_.DestroyWindow();
    platform::MessageQueue::Instance().Reset();
    CPaintManagerUI::SetResourcePath("");
    CUIHost::Install(std::make_unique<CHeadlessHost>());
  }

  void WritePng(const std::string& name) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, dir_.Sub(name).c_str());
    cairo_surface_destroy(s);
  }

  // Opens the top menu as the drop window does; null when it did not open.
  HWND Open(POINT screenPt, const std::string& skin = "menu.xml") {
    auto* menu = new CMenuWnd(result_.GetHWND());
    const size_t before = CMenuWnd::Observer().Count();
    menu->Init(nullptr, skin, "xml", screenPt, receiver_, 150, 139);
    if (CMenuWnd::Observer().Count() == before) return nullptr;
    return menu->GetHWND();
  }
  static CMenuElementUI* Item(HWND menu, const std::string& name) {
    CPaintManagerUI* pm = CPaintManagerUI::FromWindow(menu);
    return pm != nullptr ? dynamic_cast<CMenuElementUI*>(pm->FindControl(name)) : nullptr;
  }
  // Hovers the item and returns the sub-menu it opened.
  static HWND HoverForSubMenu(HWND menu, const std::string& name) {
    CInputInjector::MoveTo(menu, POINT{-1, -1});  // off every item first
    if (!CInputInjector::HoverControl(menu, name)) return nullptr;
    CMenuElementUI* item = Item(menu, name);
    return item != nullptr && item->GetSubMenu() != nullptr ? item->GetSubMenu()->GetHWND()
                                                            : nullptr;
  }
  static RECT RectOf(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    return rc;
  }
  std::vector<HWND> OpenHandles() const {
    std::vector<HWND> handles;
    for (CMenuWnd* menu : CMenuWnd::OpenMenus()) handles.push_back(menu->GetHWND());
    return handles;
  }

  kvtest::TempDir dir_;
  CHeadlessHost* host_ = nullptr;
  menutest::ResultWindow result_;
  CControlUI* receiver_ = nullptr;
};

}  // namespace

TEST_F(MenuTest, TopMenuOpensAtThePointSizedByItsItemsAndTakesTheFocus) {
  HWND menu = Open(POINT{100, 200});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(RectOf(menu), (RECT{100, 200, 239, 302}));
  EXPECT_TRUE(IsWindowVisible(menu));
  EXPECT_EQ(GetFocus(), menu);
  auto* wnd = dynamic_cast<CMenuWnd*>(CWindowWnd::FromHandle(menu));
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(wnd->GetWindowClassName(), "MenuWnd");
  EXPECT_TRUE(wnd->IsTopMost());
  EXPECT_EQ(wnd->GetOwner(), result_.GetHWND());
  EXPECT_NE(wnd->GetExStyle() & WS_EX_TOOLWINDOW, 0u);
  // Nested items wait hidden for their sub-menu.
  EXPECT_TRUE(Item(menu, "m_more")->IsVisible());
  EXPECT_FALSE(Item(menu, "m_sub1")->IsVisible());
  EXPECT_FALSE(CInputInjector::HoverControl(menu, "m_sub1"));
}

TEST_F(MenuTest, TopMenuIsKeptWithinTheWorkAreaSize) {
  host_->SetScreen(RECT{0, 0, 1000, 100}, RECT{0, 0, 1000, 80});
  HWND menu = Open(POINT{10, 0});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(RectOf(menu), (RECT{10, 0, 149, 80}));
}

TEST_F(MenuTest, HoveringAnItemWithSubItemsOpensItsSubMenuToTheRight) {
  HWND top = Open(POINT{100, 200});
  ASSERT_NE(top, nullptr);
  HWND sub = HoverForSubMenu(top, "m_more");
  ASSERT_NE(sub, nullptr);
  // Beside the item (screen 100,234 .. 239,268): two items, 4 pixels wider.
  EXPECT_EQ(RectOf(sub), (RECT{239, 234, 382, 302}));
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top, sub}));
  EXPECT_EQ(GetFocus(), sub);
  EXPECT_EQ(CWindowWnd::FromHandle(sub)->GetOwner(), top);
  EXPECT_TRUE(Item(sub, "m_sub1")->IsVisible());
  EXPECT_FALSE(Item(sub, "m_deep")->IsVisible());
  // Entering it again does not open a second one.
  EXPECT_EQ(HoverForSubMenu(top, "m_more"), sub);
  EXPECT_EQ(CMenuWnd::Observer().Count(), 2u);
}

TEST_F(MenuTest, SubMenuOpensToTheLeftAtTheRightEdgeAndKeepsGoingLeft) {
  HWND top = Open(POINT{780, 100});
  ASSERT_NE(top, nullptr);
  HWND sub = HoverForSubMenu(top, "m_more");
  ASSERT_NE(sub, nullptr);
  // 919 + 143 would pass the work area's right edge (1000).
  EXPECT_EQ(RectOf(sub), (RECT{637, 134, 780, 202}));
  // The next level would fit on the right (780 + 143), but the top menu lies there.
  HWND deep = HoverForSubMenu(sub, "m_sub2");
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(RectOf(deep), (RECT{494, 168, 637, 202}));
}

TEST_F(MenuTest, SubMenuShiftsUpAtTheBottomOfTheWorkArea) {
  HWND top = Open(POINT{100, 680});
  ASSERT_NE(top, nullptr);
  HWND sub = HoverForSubMenu(top, "m_more");
  ASSERT_NE(sub, nullptr);
  // The item starts at 714; 714 + 68 passes 760.
  EXPECT_EQ(RectOf(sub), (RECT{239, 692, 382, 760}));
}

TEST_F(MenuTest, HoveringAPlainItemClosesTheDeeperSubMenusOnly) {
  HWND top = Open(POINT{100, 200});
  HWND sub = HoverForSubMenu(top, "m_more");
  HWND deep = HoverForSubMenu(sub, "m_sub2");
  ASSERT_NE(deep, nullptr);
  ASSERT_TRUE(CInputInjector::HoverControl(sub, "m_sub1"));
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top, sub}));
  EXPECT_TRUE(Item(sub, "m_sub1")->IsSelected());
  // The closed sub-menu's item is back with its owner, hidden.
  CMenuElementUI* sub2 = Item(sub, "m_sub2");
  EXPECT_EQ(sub2->GetSubMenu(), nullptr);
  EXPECT_EQ(Item(sub, "m_deep")->GetParent(), sub2);
  EXPECT_FALSE(Item(sub, "m_deep")->IsVisible());

  ASSERT_TRUE(CInputInjector::HoverControl(top, "m_start"));
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top}));
  EXPECT_TRUE(result_.commands.empty());
}

TEST_F(MenuTest, ClickingAnItemClosesEveryMenuAndReportsItsName) {
  HWND top = Open(POINT{100, 200});
  HWND sub = HoverForSubMenu(top, "m_more");
  ASSERT_NE(HoverForSubMenu(sub, "m_sub2"), nullptr);
  ASSERT_TRUE(CInputInjector::ClickControl(sub, "m_sub1"));
  duitest::Settle();
  EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
  EXPECT_FALSE(platform::IsWindow(top));
  EXPECT_FALSE(platform::IsWindow(sub));
  ASSERT_EQ(result_.commands.size(), 1u);
  EXPECT_EQ(result_.commands[0], reinterpret_cast<LPARAM>(receiver_));
  EXPECT_EQ(receiver_->GetUserData(), "m_sub1");
  EXPECT_EQ(result_.Count("menu_msg:mLabel"), 1);
}

TEST_F(MenuTest, ClickingAnItemOfTheTopMenuReportsItAndADisabledItemDoesNothing) {
  HWND top = Open(POINT{100, 200});
  Item(top, "m_exit")->SetEnabled(false);
  ASSERT_TRUE(CInputInjector::ClickControl(top, "m_exit"));
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top}));
  // An item with sub-items opens them on a click (the pointer still rests on
  // m_exit) instead of choosing.
  POINT more;
  ASSERT_TRUE(CInputInjector::CenterOf(top, "m_more", &more));
  platform::SendMessage(top, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(more.x, more.y));
  platform::SendMessage(top, WM_LBUTTONUP, 0, MAKELPARAM(more.x, more.y));
  duitest::Settle();
  ASSERT_NE(Item(top, "m_more")->GetSubMenu(), nullptr);
  EXPECT_EQ(CMenuWnd::Observer().Count(), 2u);
  EXPECT_TRUE(result_.commands.empty());

  ASSERT_TRUE(CInputInjector::ClickControl(top, "m_start"));
  duitest::Settle();
  EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
  EXPECT_EQ(receiver_->GetUserData(), "m_start");
  EXPECT_EQ(result_.Count("menu_msg:mLabel"), 1);
}

TEST_F(MenuTest, EscapeClosesOnlyTheInnermostMenu) {
  HWND top = Open(POINT{100, 200});
  HWND sub = HoverForSubMenu(top, "m_more");
  HWND deep = HoverForSubMenu(sub, "m_sub2");
  ASSERT_NE(deep, nullptr);
  CInputInjector::Key(VK_ESCAPE);
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top, sub}));
  EXPECT_EQ(GetFocus(), sub);
  CInputInjector::Key(VK_ESCAPE);
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top}));
  EXPECT_EQ(GetFocus(), top);
  // The items came home and can open again.
  EXPECT_NE(HoverForSubMenu(top, "m_more"), nullptr);
  CInputInjector::Key(VK_ESCAPE);
  duitest::Settle();
  EXPECT_EQ(OpenHandles(), (std::vector<HWND>{top}));
  CInputInjector::Key(VK_ESCAPE);
  duitest::Settle();
  EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
  EXPECT_TRUE(result_.commands.empty());
  EXPECT_EQ(result_.Count("menu_msg:mLabel"), 0);
}

TEST_F(MenuTest, AClickOutsideClosesEveryMenuWithoutAMenuMessage) {
  HWND top = Open(POINT{100, 200});
  ASSERT_NE(HoverForSubMenu(top, "m_more"), nullptr);
  CInputInjector::ClickAt(result_.GetHWND(), POINT{10, 10});
  duitest::Settle();
  EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
  EXPECT_TRUE(result_.commands.empty());
  EXPECT_EQ(result_.Count("menu_msg:mLabel"), 0);
  EXPECT_EQ(receiver_->GetUserData(), "");
  EXPECT_EQ(GetFocus(), result_.GetHWND());  // the closing menus do not take it back
}

TEST_F(MenuTest, ABrokenMenuSkinOpensNothingAndNamesTheFile) {
  kvtest::LogCapture log;
  dir_.WriteFile("bad.xml", "<Window>\n<Menu>\n<Label name=\"x\"/>\n</Menu></Window>");
  EXPECT_EQ(Open(POINT{0, 0}, "bad.xml"), nullptr);
  EXPECT_TRUE(log.Contains("bad.xml:3:", "DuiLib"));
  dir_.WriteFile("broken.xml", "<Window>\n<Menu>\n<MenuElement>\n</Window>");
  EXPECT_EQ(Open(POINT{0, 0}, "broken.xml"), nullptr);
  EXPECT_EQ(CMenuWnd::Observer().Count(), 0u);
  EXPECT_NE(Open(POINT{0, 0}), nullptr);
}

TEST(MenuControls, ListTakesOnlyMenuItemsAndHidesTheirNestedItems) {
  CMenuUI menu;
  auto* plain = new CControlUI;
  EXPECT_FALSE(menu.Add(plain));
  delete plain;
  auto* item = new CMenuElementUI;
  auto* nested = new CMenuElementUI;
  auto* icon = new CControlUI;
  item->Add(nested);
  item->Add(icon);
  ASSERT_TRUE(menu.Add(item));
  EXPECT_TRUE(item->HasSubItems());
  EXPECT_FALSE(nested->IsVisible());
  EXPECT_TRUE(icon->IsVisible());
  EXPECT_EQ(menu.GetCount(), 1);
  auto* second = new CMenuElementUI;
  second->SetFixedWidth(200);
  ASSERT_TRUE(menu.AddAt(second, 0));
  EXPECT_EQ(menu.GetItemAt(0), second);
  const SIZE est = menu.EstimateSize(SIZE{1000, 1000});
  EXPECT_EQ(est.cx, 200);
  EXPECT_EQ(est.cy, 68);
  second->SetVisible(false);
  EXPECT_EQ(menu.EstimateSize(SIZE{1000, 1000}).cy, 34);
  EXPECT_EQ(menu.GetClass(), "MenuUI");
  EXPECT_NE(menu.GetInterface("Menu"), nullptr);
  EXPECT_EQ(menu.GetList()->GetClass(), "CUIListBody");
}

TEST(MenuControls, ItemDefaultsAttributesAndBuilderCallback) {
  CMenuElementUI item;
  EXPECT_EQ(item.GetClass(), "MenuElementUI");
  EXPECT_EQ(item.GetFixedWidth(), 139);
  EXPECT_EQ(item.GetFixedHeight(), 34);
  EXPECT_TRUE(item.IsChecked());
  EXPECT_FALSE(item.IsMouseChildEnabled());
  item.ApplyAttributeList("checked=\"yes\" checkimg=\"file='pause_n.png' dest='4,9,20,25'\"");
  EXPECT_FALSE(item.IsChecked());
  EXPECT_EQ(item.GetCheckImage(), "file='pause_n.png' dest='4,9,20,25'");
  item.SetAttribute("checked", "true");
  EXPECT_TRUE(item.IsChecked());

  CMenuBuilderCallback callback;
  std::unique_ptr<CControlUI> menu(callback.CreateControl("Menu"));
  std::unique_ptr<CControlUI> element(callback.CreateControl("MenuElement"));
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(menu->GetClass(), "MenuUI");
  EXPECT_EQ(element->GetClass(), "MenuElementUI");
  EXPECT_EQ(callback.CreateControl("Button"), nullptr);
}

TEST_F(MenuTest, ItemsDrawTheirCheckImageOnlyWhileChecked) {
  HWND top = Open(POINT{100, 200});
  ASSERT_NE(top, nullptr);
  const std::string png = dir_.Sub("menu.png");
  ASSERT_TRUE(CPaintManagerUI::FromWindow(top)->RenderToPng(png));
  cairo_surface_t* out = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_image_surface_get_width(out), 139);
  const auto pixel = [&](int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(out);
    return *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(out) +
                                              x * 4);
  };
  EXPECT_EQ(pixel(10, 15), 0xFFFF0000u);       // m_start, checked
  EXPECT_NE(pixel(10, 68 + 15), 0xFFFF0000u);  // m_exit, not checked
  EXPECT_NE(pixel(30, 15), 0xFFFF0000u);       // outside the image's dest
  cairo_surface_destroy(out);
}

TEST_F(MenuTest, TheShippedSkinHoldsTheItemsOfTheDropWindow) {
  CPaintManagerUI::SetResourcePath(std::string(KVUP_SOURCE_DIR) + "/ui/skin");
  HWND menu = Open(POINT{0, 0});
  ASSERT_NE(menu, nullptr);
  for (const char* name :
       {"m_start", "m_pause", "m_mgr", "m_hide", "m_exit", "m_logout", "m_resume"}) {
    CMenuElementUI* item = Item(menu, name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_TRUE(item->IsVisible()) << name;
    EXPECT_FALSE(item->GetText().empty()) << name;
  }
  EXPECT_EQ(RectOf(menu), (RECT{0, 0, 139, 7 * 34}));
  ASSERT_TRUE(CInputInjector::ClickControl(menu, "m_hide"));
  duitest::Settle();
  EXPECT_EQ(receiver_->GetUserData(), "m_hide");
}
