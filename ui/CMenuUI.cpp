#include "ui/CMenuUI.h"

#include <algorithm>

#include "ui/CMenuElementUI.h"

namespace DuiLib {

bool CMenuUI::AddAt(CControlUI* control, int index) {
  auto* item = control != nullptr
                   ? static_cast<CMenuElementUI*>(control->GetInterface("MenuElement"))
                   : nullptr;
  if (item == nullptr || !CListUI::AddAt(control, index)) return false;
  item->SetInternVisible(true);
  item->HideSubItems();
  return true;
}

SIZE CMenuUI::EstimateSize(SIZE available) {
  SIZE size;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* item = GetItemAt(i);
    if (!item->IsVisible()) continue;
    const SIZE s = item->EstimateSize(available);
    size.cx = std::max(size.cx, s.cx);
    size.cy += s.cy;
  }
  return size;
}

}  // namespace DuiLib
