#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "common/TextMutator.h"
#include "duilib/CBoxLayoutUI.h"
#include "duilib/CDialogBuilder.h"
#include "duilib/CImageString.h"
#include "duilib/CListContainerElementUI.h"
#include "duilib/CListUI.h"
#include "duilib/COptionUI.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CProgressUI.h"
#include "duilib/CTabLayoutUI.h"
#include "duilib/CUIAttributes.h"

using namespace DuiLib;

TEST(Attributes, ListsParseWithQuotesAndOddSpacing) {
  CUIAttributes::List list;
  ASSERT_TRUE(CUIAttributes::ParseList(
      "  name=\"file_img\"   align = 'left' bkimage=\"file='a b.png' dest='0,1,2,3'\"", &list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].second, "file_img");
  EXPECT_EQ(list[1], (std::pair<std::string, std::string>{"align", "left"}));
  EXPECT_EQ(list[2].second, "file='a b.png' dest='0,1,2,3'");
  list.clear();
  EXPECT_FALSE(CUIAttributes::ParseList("a=\"1\" b=2", &list));
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(CUIAttributes::ParseList("a=\"unterminated", &list));
}

TEST(Attributes, ColoursRectsAndNumbers) {
  uint32_t c = 0;
  EXPECT_TRUE(CUIAttributes::ParseColor("#FFAAAAAA", &c));
  EXPECT_EQ(c, 0xFFAAAAAAu);
  EXPECT_TRUE(CUIAttributes::ParseColor("#102030", &c));
  EXPECT_EQ(c, 0xFF102030u);
  EXPECT_FALSE(CUIAttributes::ParseColor("#12345", &c));
  EXPECT_FALSE(CUIAttributes::ParseColor("red", &c));
  RECT rc;
  EXPECT_TRUE(CUIAttributes::ParseRect(" 2, 0 ,419,0", &rc));
  EXPECT_EQ(rc, (RECT{2, 0, 419, 0}));
  EXPECT_FALSE(CUIAttributes::ParseRect("1,2,3", &rc));
  EXPECT_FALSE(CUIAttributes::ParseRect("1,2,3,4,5", &rc));
  int n = 0;
  EXPECT_FALSE(CUIAttributes::ParseInt("12px", &n));
}

TEST(ImageString, PlainNameAndKeyedForms) {
  CImageString img;
  std::string error;
  ASSERT_TRUE(img.Parse("progress_bg.png", &error));
  EXPECT_EQ(img.File(), "progress_bg.png");
  EXPECT_FALSE(img.HasDest());
  ASSERT_TRUE(img.Parse("file='pause_n.png'  dest='4,9,20,25'", &error));
  EXPECT_EQ(img.File(), "pause_n.png");
  EXPECT_EQ(img.Dest(), (RECT{4, 9, 20, 25}));
  EXPECT_FALSE(img.Parse("file='x.png' dest='4,9'", &error));
  EXPECT_FALSE(img.Parse("dest='1,1,2,2'", &error));
}

TEST(Controls, BadAttributeValuesAreLoggedAndIgnored) {
  kvtest::LogCapture log;
  CLabelUI label;
  label.ApplyAttributeList("width=\"abc\" textcolor=\"#zz\" height=\"20\" colour=\"1\"");
  EXPECT_EQ(label.GetFixedWidth(), 0);
  EXPECT_EQ(label.GetFixedHeight(), 20);
  EXPECT_EQ(label.GetTextColor(), 0xFF000000u);
  EXPECT_TRUE(log.Contains("bad value 'abc' for attribute 'width'", "DuiLib"));
  EXPECT_TRUE(log.Contains("unknown attribute 'colour'", "DuiLib"));
}

namespace {
const char* kEverySkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200" caption="0,0,0,30" roundcorner="4,4">
  <Font name="Sans" size="13" bold="true"/>
  <Default name="Button" value="textcolor=&quot;#FF112233&quot;"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout name="row" height="30">
      <Label name="lbl" text="拖拽上传"/><Text name="txt"/><Button name="btn"/>
      <Option name="o1" group="g" selected="true"/><Option name="o2" group="g"/>
    </HorizontalLayout>
    <TabLayout name="tabs" selectedid="1"><Container name="p0"/><Control name="p1"/></TabLayout>
    <Progress name="prog" min="0" max="100" value="42"/>
    <List name="list"><ListContainerElement name="e0"/><ListContainerElement name="e1"/></List>
  </VerticalLayout>
</Window>)";
}  // namespace

TEST(DialogBuilder, EveryControlClassParsesIntoTheExpectedTree) {
  CPaintManagerUI pm;
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.Create(kEverySkin, "", nullptr, &pm));
  ASSERT_NE(root, nullptr) << builder.GetLastErrorMessage();
  EXPECT_EQ(pm.GetInitSize().cx, 300);
  EXPECT_EQ(pm.GetRoundCorner().cx, 4);
  EXPECT_EQ(pm.GetCaptionRect().bottom, 30);
  const std::pair<const char*, const char*> expected[] = {
      {"root", "VerticalLayoutUI"}, {"row", "HorizontalLayoutUI"},
      {"lbl", "LabelUI"},           {"txt", "TextUI"},
      {"btn", "ButtonUI"},          {"o1", "OptionUI"},
      {"tabs", "TabLayoutUI"},      {"p0", "ContainerUI"},
      {"p1", "ControlUI"},          {"prog", "ProgressUI"},
      {"list", "ListUI"},           {"e1", "ListContainerElementUI"}};
  for (const auto& [name, cls] : expected) {
    CControlUI* c = root->FindControlByName(name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(c->GetClass(), cls);
  }
  EXPECT_EQ(root->FindControlByName("lbl")->GetText(), "拖拽上传");
  EXPECT_EQ(static_cast<CTabLayoutUI*>(root->FindControlByName("tabs"))->GetCurSel(), 1);
  EXPECT_EQ(static_cast<CProgressUI*>(root->FindControlByName("prog"))->GetValue(), 42);
  auto* list = static_cast<CListUI*>(root->FindControlByName("list"));
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetItemAt(1)->GetName(), "e1");
  EXPECT_EQ(list->GetList()->GetClass(), "CUIListBody");
  EXPECT_EQ(static_cast<CLabelUI*>(root->FindControlByName("btn"))->GetTextColor(), 0xFF112233u);
}

TEST(DialogBuilder, MalformedSkinsNameFileAndLine) {
  kvtest::TempDir dir;
  CPaintManagerUI::SetResourcePath(dir.path());
  dir.WriteFile("unknown.xml",
                "<Window>\n<VerticalLayout>\n\n<Gizmo/>\n</VerticalLayout></Window>");
  dir.WriteFile("broken.xml", "<Window>\n<Label text=\"x\">\n</Window>");
  dir.WriteFile("image.xml", "<Window>\n<Label bkimage=\"file='nothere.png'\"/></Window>");
  dir.WriteFile("nest.xml", "<Window>\n<Label>\n<Button/></Label></Window>");
  const std::pair<const char*, const char*> cases[] = {
      {"unknown.xml", "unknown.xml:4: unknown control class 'Gizmo'"},
      {"broken.xml", "broken.xml:3: XML error"},
      {"image.xml", "image.xml:2: image 'nothere.png'"},
      {"nest.xml", "nest.xml:3: 'Label' cannot hold controls"}};
  for (const auto& [file, message] : cases) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create(file), nullptr) << file;
    EXPECT_NE(builder.GetLastErrorMessage().find(message), std::string::npos)
        << builder.GetLastErrorMessage();
  }
  CDialogBuilder missing;
  EXPECT_EQ(missing.Create("absent.xml"), nullptr);
  EXPECT_NE(missing.GetLastErrorMessage().find("absent.xml"), std::string::npos);
  CPaintManagerUI::SetResourcePath("");
}

TEST(DialogBuilder, FuzzedSkinsNeverCrash) {
  std::mt19937 rng(20261208);
  int built = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string skin = kvtest::Mutated(kEverySkin, rng);
    CPaintManagerUI pm;
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(skin, "", nullptr, &pm));
    if (root) {
      ++built;
      pm.AttachDialog(root.release());
    } else {
      EXPECT_FALSE(builder.GetLastErrorMessage().empty());
    }
  }
  EXPECT_GT(built, 0);
}

TEST(Layout, FixedStretchedPaddedAndInsetChildren) {
  CVerticalLayoutUI box;
  box.ApplyAttributeList("inset=\"10,5,10,5\" childpadding=\"4\"");
  auto* fixed = new CControlUI;
  fixed->ApplyAttributeList("height=\"20\" padding=\"3,2,0,1\" width=\"50\"");
  auto* a = new CControlUI;
  auto* b = new CControlUI;
  b->ApplyAttributeList("maxheight=\"10\"");
  box.Add(fixed);
  box.Add(a);
  box.Add(b);
  box.SetPos(RECT{0, 0, 200, 100});
  // Inner 10..190 x 5..95 (90 high): fixed 20 + pads 3 + padding 8 = 31, 59 left.
  EXPECT_EQ(fixed->GetPos(), (RECT{13, 7, 63, 27}));
  EXPECT_EQ(b->GetPos().Height(), 10);
  EXPECT_EQ(a->GetPos(), (RECT{10, 32, 190, 81}));
  EXPECT_EQ(b->GetPos().top, 85);

  CHorizontalLayoutUI row;
  auto* icon = new CControlUI;
  icon->ApplyAttributeList("width=\"50\" maxheight=\"50\"");
  auto* rest = new CControlUI;
  row.Add(icon);
  row.Add(rest);
  row.SetPos(RECT{0, 0, 300, 54});
  EXPECT_EQ(icon->GetPos(), (RECT{0, 0, 50, 50}));
  EXPECT_EQ(rest->GetPos(), (RECT{50, 0, 300, 54}));
}

TEST(List, InsertAtRemoveAtKeepOrder) {
  CListUI list;
  auto make = [](const char* n) {
    auto* e = new CListContainerElementUI;
    e->SetName(n);
    return e;
  };
  list.Add(make("a"));
  list.Add(make("c"));
  list.AddAt(make("b"), 1);
  list.AddAt(make("z"), 0);
  ASSERT_EQ(list.GetCount(), 4);
  CListContainerElementUI* stray = make("x");
  EXPECT_FALSE(list.AddAt(stray, 9));
  list.Add(stray);
  std::string order;
  for (int i = 0; i < list.GetCount(); ++i) order += list.GetItemAt(i)->GetName();
  EXPECT_EQ(order, "zabcx");
  EXPECT_TRUE(list.RemoveAt(0));
  EXPECT_TRUE(list.RemoveAt(3));
  EXPECT_FALSE(list.RemoveAt(3));
  order.clear();
  for (int i = 0; i < list.GetCount(); ++i) order += list.GetItemAt(i)->GetName();
  EXPECT_EQ(order, "abc");
  EXPECT_EQ(static_cast<CListContainerElementUI*>(list.GetItemAt(2))->GetIndex(), 2);
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
}
