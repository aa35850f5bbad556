// One menu item (139 x 34 unless the skin says otherwise). It draws its
// background, text and, while checked, its check image, and only those children
// that are not menu items: nested menu items form its sub-menu, which opens when
// the pointer enters the item (event 10) or it is clicked (event 12). Clicking
// an item without sub-items closes every menu with the item's name.
#pragma once

#include "duilib/CListContainerElementUI.h"

namespace DuiLib {

class CMenuWnd;

class CMenuElementUI : public CListContainerElementUI {
 public:
  CMenuElementUI();
  std::string GetClass() const override { return "MenuElementUI"; }
  void* GetInterface(const std::string& name) override {
    return name == "MenuElement" ? this : CListContainerElementUI::GetInterface(name);
  }

  bool IsChecked() const { return m_bChecked; }
  void SetChecked(bool checked);
  const std::string& GetCheckImage() const { return m_sCheckImage; }
  void SetCheckImage(const std::string& image);
  bool HasSubItems() const;
  void HideSubItems();
  // The sub-menu window while it is open.
  CMenuWnd* GetSubMenu() const { return m_pSubMenu; }
  void SetSubMenu(CMenuWnd* wnd) { m_pSubMenu = wnd; }

  void SetInternVisible(bool visible) override;
  bool SetAttribute(const std::string& name, const std::string& value) override;
  void DoEvent(TEventUI& event) override;

 protected:
  bool PaintsChild(CControlUI* child) const override {
    return child->GetInterface("MenuElement") == nullptr;
  }
  void PaintStatusImage(cairo_t* cr) override;
  void PaintText(cairo_t* cr) override;

 private:
  CMenuWnd* OwnWindow() const;
  void OpenSubMenu();

  bool m_bChecked = true;
  std::string m_sCheckImage;
  CMenuWnd* m_pSubMenu = nullptr;
};

}  // namespace DuiLib
