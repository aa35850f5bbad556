#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/DuiTestWindow.h"
#include "common/TempDir.h"
#include "duilib/CButtonUI.h"
#include "duilib/CDropFiles.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CInputInjector.h"
#include "duilib/CListUI.h"
#include "duilib/COptionUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CUIHost.h"
#include "duilib/WindowFunctions.h"

using namespace DuiLib;
using duitest::TestWindow;

namespace {

const char* kSkin = R"(<Window size="200,100">
  <VerticalLayout name="root" bkcolor="#FF204060">
    <HorizontalLayout height="40">
      <Button name="btn" width="60"/>
      <Option name="o1" group="g" width="40" selected="true"/>
      <Option name="o2" group="g" width="40"/>
      <Container virtualwnd="page1"><Button name="pagebtn"/></Container>
    </HorizontalLayout>
    <Label name="lbl"/>
  </VerticalLayout></Window>)";

class PagePump : public CNotifyPump {
 public:
  int clicks = 0;
  void OnClick(TNotifyUI&) { ++clicks; }
  DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(PagePump, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
DUI_END_MESSAGE_MAP()

class TimerWindow : public TestWindow {
 public:
  using TestWindow::TestWindow;
  std::vector<std::pair<WPARAM, pid_t>> fired;
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == DUI_MSGTYPE_TIMER) fired.emplace_back(msg.wParam, gettid());
    TestWindow::Notify(msg);
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (wnd_.GetHWND() != nullptr) wnd_.DestroyWindow();
    platform::MessageQueue::Instance().Reset();
  }
  HWND Open() { return wnd_.Create(nullptr, "test", WS_POPUP | WS_VISIBLE, 0, 10, 20, 50, 50); }
  TimerWindow wnd_{kSkin};
};

}  // namespace

TEST_F(WindowTest, SkinSizeIsAppliedToTheWindow) {
  HWND hwnd = Open();
  ASSERT_NE(hwnd, nullptr);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(hwnd, &rc));
  EXPECT_EQ(rc, (RECT{10, 20, 210, 120}));
  POINT pt{5, 6};
  ClientToScreen(hwnd, &pt);
  EXPECT_EQ(pt.x, 15);
  EXPECT_EQ(pt.y, 26);
}

TEST_F(WindowTest, ClickOnButtonNotifiesOnceAndNotWhileDisabled) {
  HWND hwnd = Open();
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "btn"));
  EXPECT_EQ(wnd_.Count("click:btn"), 1);
  wnd_.GetPaintManager().FindControl("btn")->SetEnabled(false);
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "btn"));
  EXPECT_EQ(wnd_.Count("click:btn"), 1);
  // Pressed on the button, released elsewhere: no click.
  wnd_.GetPaintManager().FindControl("btn")->SetEnabled(true);
  wnd_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  wnd_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, 80));
  EXPECT_EQ(wnd_.Count("click:btn"), 1);
}

TEST_F(WindowTest, AClickOnTheCaptionMovesTheWindowInsteadOfClicking) {
  struct CaptionWindow : TimerWindow {
    using TimerWindow::TimerWindow;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
      if (msg != WM_NCHITTEST) return TimerWindow::HandleMessage(msg, w, l);
      POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      ScreenToClient(m_hWnd, &pt);
      return pt.y < 5 ? HTCAPTION : HTCLIENT;
    }
  } wnd(kSkin);
  HWND hwnd = wnd.Create(nullptr, "caption", WS_POPUP | WS_VISIBLE, 0, 10, 20, 50, 50);
  ASSERT_NE(hwnd, nullptr);
  auto* host = dynamic_cast<CHeadlessHost*>(&CUIHost::Current());
  ASSERT_NE(host, nullptr);
  const int drags = host->MoveDragCount();
  CInputInjector::ClickAt(hwnd, POINT{30, 2});  // on the button, inside the caption
  EXPECT_EQ(host->MoveDragCount(), drags + 1);
  EXPECT_EQ(wnd.Count("click:btn"), 0);
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "btn"));  // below the caption
  EXPECT_EQ(host->MoveDragCount(), drags + 1);
  EXPECT_EQ(wnd.Count("click:btn"), 1);
  wnd.DestroyWindow();
}

TEST_F(WindowTest, HoverShowsTheNearestToolTipAndLeavingHidesIt) {
  HWND hwnd = Open();
  auto* host = dynamic_cast<CHeadlessHost*>(&CUIHost::Current());
  ASSERT_NE(host, nullptr);
  CPaintManagerUI& pm = wnd_.GetPaintManager();
  pm.FindControl("lbl")->SetToolTip("拖拽文件到此上传到Quorel");
  pm.FindControl("root")->SetToolTip("root tip");
  ASSERT_TRUE(CInputInjector::HoverControl(hwnd, "lbl"));
  EXPECT_EQ(host->ToolTipOf(hwnd), "拖拽文件到此上传到Quorel");
  EXPECT_EQ(pm.GetToolTipText(), "拖拽文件到此上传到Quorel");
  // A control without one shows its parent's.
  ASSERT_TRUE(CInputInjector::HoverControl(hwnd, "btn"));
  EXPECT_EQ(host->ToolTipOf(hwnd), "root tip");
  wnd_.SendMessage(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(host->ToolTipOf(hwnd), "");
  EXPECT_EQ(pm.GetToolTipText(), "");
}

TEST_F(WindowTest, OptionInGroupSelectsAndDeselectsItsSibling) {
  HWND hwnd = Open();
  auto* o1 = static_cast<COptionUI*>(wnd_.GetPaintManager().FindControl("o1"));
  auto* o2 = static_cast<COptionUI*>(wnd_.GetPaintManager().FindControl("o2"));
  ASSERT_TRUE(o1->IsSelected());
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "o2"));
  EXPECT_TRUE(o2->IsSelected());
  EXPECT_FALSE(o1->IsSelected());
  EXPECT_EQ(wnd_.Count("selectchanged:o2"), 1);
  EXPECT_EQ(wnd_.Count("selectchanged:o1"), 0);
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "o2"));
  EXPECT_EQ(wnd_.Count("selectchanged:o2"), 1);
}

TEST_F(WindowTest, NotificationsOfAPageReachItsVirtualWindow) {
  HWND hwnd = Open();
  PagePump page;
  ASSERT_TRUE(wnd_.AddVirtualWnd("page1", &page));
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "pagebtn"));
  EXPECT_EQ(page.clicks, 1);
  ASSERT_TRUE(CInputInjector::ClickControl(hwnd, "btn"));
  EXPECT_EQ(page.clicks, 1);
  wnd_.RemoveVirtualWnd("page1");
}

TEST_F(WindowTest, TimersFireOnTheUiThreadAndStopWhenKilled) {
  HWND hwnd = Open();
  ASSERT_NE(hwnd, nullptr);
  CControlUI* label = wnd_.GetPaintManager().FindControl("lbl");
  ASSERT_TRUE(wnd_.GetPaintManager().SetTimer(label, 1008, 20));
  duitest::Pump(150);
  ASSERT_GE(wnd_.fired.size(), 2u);
  for (const auto& [id, tid] : wnd_.fired) {
    EXPECT_EQ(id, 1008u);
    EXPECT_EQ(tid, gettid());
  }
  EXPECT_EQ(wnd_.Count("timer:lbl"), static_cast<int>(wnd_.fired.size()));
  ASSERT_TRUE(wnd_.GetPaintManager().KillTimer(label, 1008));
  const size_t count = wnd_.fired.size();
  duitest::Pump(100);
  EXPECT_EQ(wnd_.fired.size(), count);
}

TEST_F(WindowTest, DroppedPathsArriveAsDropFiles) {
  struct DropWindow : TestWindow {
    using TestWindow::TestWindow;
    std::vector<std::string> got;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
      if (msg != WM_DROPFILES) return TestWindow::HandleMessage(msg, w, l);
      HDROP drop = DropFromWParam(w);
      char buf[8];
      for (UINT i = 0; i < DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0); ++i) {
        DragQueryFile(drop, i, buf, sizeof buf);
        got.emplace_back(buf);
      }
      DragFinish(drop);
      return 1;
    }
  } drop{kSkin};
  HWND hwnd = drop.Create(nullptr, "drop", WS_POPUP, WS_EX_ACCEPTFILES, 0, 0, 10, 10);
  ASSERT_TRUE(CInputInjector::Drop(hwnd, {"/tmp/a", "/tmp/上传.txt"}));
  duitest::Pump(20);
  drop.DestroyWindow();
  // The 8-byte buffer cuts the second path before the split of a character.
  EXPECT_EQ(drop.got, (std::vector<std::string>{"/tmp/a", "/tmp/"}));
}

TEST(Render, PngShowsBackgroundImageAndText) {
  kvtest::TempDir dir;
  {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, dir.Sub("red.png").c_str());
    cairo_surface_destroy(s);
  }
  CPaintManagerUI::SetResourcePath(dir.path());
  TestWindow wnd(R"(<Window size="120,60"><VerticalLayout bkcolor="#FF0000FF">
      <Control height="20" bkimage="file='red.png' dest='10,5,30,15'"/>
      <Label height="40" text="██████" textcolor="#FF00FF00" font="0"/>
    </VerticalLayout></Window>)");
  HWND hwnd = wnd.Create(nullptr, "render", WS_POPUP, 0, 0, 0, 1, 1);
  ASSERT_NE(hwnd, nullptr);
  const std::string png = dir.Sub("out.png");
  ASSERT_TRUE(wnd.GetPaintManager().RenderToPng(png));
  cairo_surface_t* out = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_image_surface_get_width(out), 120);
  const auto pixel = [&](int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(out);
    return *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(out) +
                                              x * 4);
  };
  EXPECT_EQ(pixel(100, 10), 0xFF0000FFu);  // background
  EXPECT_EQ(pixel(20, 10), 0xFFFF0000u);   // image inside its dest
  EXPECT_EQ(pixel(5, 3), 0xFF0000FFu);     // outside the dest
  int green = 0;
  for (int x = 0; x < 60; ++x) green += pixel(x, 40) == 0xFF00FF00u ? 1 : 0;
  EXPECT_GT(green, 10);  // the text
  cairo_surface_destroy(out);
  wnd.DestroyWindow();
  platform::MessageQueue::Instance().Reset();
  CPaintManagerUI::SetResourcePath("");
}

TEST(RoundCorner, RegionLeavesTheCornersOut) {
  cairo_region_t* region = CRenderEngine::RoundCornerRegion(SIZE{120, 80}, SIZE{40, 40});
  EXPECT_FALSE(cairo_region_contains_point(region, 0, 0));
  EXPECT_FALSE(cairo_region_contains_point(region, 3, 3));
  EXPECT_FALSE(cairo_region_contains_point(region, 117, 77));
  EXPECT_TRUE(cairo_region_contains_point(region, 60, 0));
  EXPECT_TRUE(cairo_region_contains_point(region, 0, 40));
  EXPECT_TRUE(cairo_region_contains_point(region, 119, 40));
  EXPECT_TRUE(cairo_region_contains_point(region, 20, 20));
  cairo_region_destroy(region);
  region = CRenderEngine::RoundCornerRegion(SIZE{120, 80}, SIZE{});
  EXPECT_TRUE(cairo_region_contains_point(region, 0, 0));
  EXPECT_TRUE(cairo_region_contains_point(region, 119, 79));
  EXPECT_FALSE(cairo_region_contains_point(region, 120, 0));
  cairo_region_destroy(region);
}

TEST(Render, RoundedCornersAreTransparent) {
  TestWindow wnd(R"(<Window size="60,40" roundcorner="20,20">
      <Control bkcolor="#FF00FF00"/></Window>)");
  HWND hwnd = wnd.Create(nullptr, "round", WS_POPUP, 0, 0, 0, 1, 1);
  ASSERT_NE(hwnd, nullptr);
  kvtest::TempDir dir;
  const std::string png = dir.Sub("round.png");
  ASSERT_TRUE(wnd.GetPaintManager().RenderToPng(png));
  cairo_surface_t* out = cairo_image_surface_create_from_png(png.c_str());
  const unsigned char* data = cairo_image_surface_get_data(out);
  const int stride = cairo_image_surface_get_stride(out);
  const auto alpha = [&](int x, int y) { return data[y * stride + x * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(59, 39), 0);
  EXPECT_EQ(alpha(30, 0), 0xFF);
  EXPECT_EQ(alpha(30, 20), 0xFF);
  cairo_surface_destroy(out);
  wnd.DestroyWindow();
  platform::MessageQueue::Instance().Reset();
}

TEST(ListScroll, WheelScrollsOverflowingRowsWithinTheirRange) {
  TestWindow wnd(R"(<Window size="100,100"><List name="list" vscrollbar="true">
      <ListContainerElement name="r0" height="30"/><ListContainerElement name="r1" height="30"/>
      <ListContainerElement name="r2" height="30"/><ListContainerElement name="r3" height="30"/>
      <ListContainerElement name="r4" height="30"/></List></Window>)");
  HWND hwnd = wnd.Create(nullptr, "list", WS_POPUP, 0, 0, 0, 1, 1);
  ASSERT_NE(hwnd, nullptr);
  CPaintManagerUI& pm = wnd.GetPaintManager();
  pm.UpdateLayout();
  CControlUI* r0 = pm.FindControl("r0");
  CControlUI* r4 = pm.FindControl("r4");
  ASSERT_EQ(r0->GetPos().top, 0);
  CInputInjector::Wheel(hwnd, POINT{50, 50}, -1);
  EXPECT_EQ(r0->GetPos().top, -30);
  EXPECT_EQ(r4->GetPos().bottom, 120);
  CInputInjector::Wheel(hwnd, POINT{50, 50}, -1);
  EXPECT_EQ(r4->GetPos().bottom, 100);  // no further than the last row
  for (int i = 0; i < 3; ++i) CInputInjector::Wheel(hwnd, POINT{50, 50}, 1);
  EXPECT_EQ(r0->GetPos().top, 0);
  // Rows that fit do not scroll.
  auto* list = static_cast<CListUI*>(pm.FindControl("list"));
  list->RemoveAt(4);
  list->RemoveAt(3);
  pm.UpdateLayout();
  CInputInjector::Wheel(hwnd, POINT{50, 50}, -1);
  EXPECT_EQ(r0->GetPos().top, 0);
  wnd.DestroyWindow();
  platform::MessageQueue::Instance().Reset();
}

TEST(BoxLayout, AcrossItsLineAChildFillsTheLineUnlessItsSizeIsFixed) {
  TestWindow wnd(R"(<Window size="200,100"><VerticalLayout>
      <HorizontalLayout name="row" height="54">
        <Label name="icon" width="50" maxheight="50"/><Button name="btn" width="25" text="x"/>
        <Label name="fixed" width="40" height="20" text="t"/></HorizontalLayout>
      <Label name="line" text="a line"/></VerticalLayout></Window>)");
  HWND hwnd = wnd.Create(nullptr, "box", WS_POPUP, 0, 0, 0, 1, 1);
  ASSERT_NE(hwnd, nullptr);
  CPaintManagerUI& pm = wnd.GetPaintManager();
  pm.UpdateLayout();
  EXPECT_EQ(pm.FindControl("icon")->GetPos().Height(), 50) << "within its maximum";
  EXPECT_EQ(pm.FindControl("btn")->GetPos().Height(), 54) << "not one text line high";
  EXPECT_EQ(pm.FindControl("fixed")->GetPos().Height(), 20);
  EXPECT_EQ(pm.FindControl("line")->GetPos().Width(), 200);
  const int lineHeight = pm.FindControl("line")->GetPos().Height();
  EXPECT_GT(lineHeight, 0);
  EXPECT_LT(lineHeight, 46) << "along its line a label stays one text line high";
  wnd.DestroyWindow();
  platform::MessageQueue::Instance().Reset();
}
