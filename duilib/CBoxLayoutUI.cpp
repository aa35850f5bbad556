#include "duilib/CBoxLayoutUI.h"

#include <algorithm>

namespace DuiLib {

void CBoxLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  const SIZE available{inner.Width(), inner.Height()};
  std::vector<Slot> slots;
  int used = 0;
  for (CControlUI* child : m_items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(child, inner);
      continue;
    }
    Slot slot{child, child->EstimateSize(available), 0, false};
    slot.stretch = Along(slot.estimate) == 0;
    if (!slot.stretch) {
      slot.length = std::clamp(Along(slot.estimate), MinAlong(child),
                               std::max(MinAlong(child), MaxAlong(child)));
      used += slot.length;
    }
    used += PadBefore(child->GetPadding()) + PadAfter(child->GetPadding());
    slots.push_back(slot);
  }
  if (!slots.empty()) used += m_iChildPadding * static_cast<int>(slots.size() - 1);
  ShareStretch(&slots, Along(available) - used);

  int pos = m_bVertical ? inner.top - m_szScrollPos.cy : inner.left - m_szScrollPos.cx;
  const int start = pos;
  for (Slot& slot : slots) {
    pos += PadBefore(slot.control->GetPadding());
    Place(slot, pos, inner);
    pos += slot.length + PadAfter(slot.control->GetPadding()) + m_iChildPadding;
  }
  const int content = slots.empty() ? 0 : pos - start - m_iChildPadding;
  SetContentSize(m_bVertical ? SIZE{inner.Width(), content} : SIZE{content, inner.Height()});
}

void CBoxLayoutUI::ShareStretch(std::vector<Slot>* slots, int remaining) const {
  std::vector<Slot*> open;
  for (Slot& slot : *slots) {
    if (slot.stretch) open.push_back(&slot);
  }
  // Children that their minimum or maximum holds leave the share to the others.
  bool settled = false;
  while (!open.empty() && !settled) {
    settled = true;
    const int share = std::max(0, remaining) / static_cast<int>(open.size());
    for (auto it = open.begin(); it != open.end(); ++it) {
      CControlUI* c = (*it)->control;
      const int bounded = std::clamp(share, MinAlong(c), std::max(MinAlong(c), MaxAlong(c)));
      if (bounded == share) continue;
      (*it)->length = bounded;
      remaining -= bounded;
      open.erase(it);
      settled = false;
      break;
    }
  }
  if (open.empty()) return;
  const int share = std::max(0, remaining) / static_cast<int>(open.size());
  for (Slot* slot : open) slot->length = share;
  open.back()->length += std::max(0, remaining) - share * static_cast<int>(open.size());
}

void CBoxLayoutUI::Place(Slot& slot, int along, const RECT& inner) const {
  CControlUI* c = slot.control;
  const RECT& pad = c->GetPadding();
  const int crossAvail =
      (m_bVertical ? inner.Width() : inner.Height()) - PadStart(pad) - PadEnd(pad);
  const int minAcross = m_bVertical ? c->GetMinWidth() : c->GetMinHeight();
  const int maxAcross = m_bVertical ? c->GetMaxWidth() : c->GetMaxHeight();
  // Across the line a child keeps only a fixed size and otherwise fills the
  // line (a label is not one text line high in a row), as DuiLib's layouts do.
  const int fixedAcross = m_bVertical ? c->GetFixedWidth() : c->GetFixedHeight();
  int across = fixedAcross > 0 ? fixedAcross : crossAvail;
  across = std::clamp(across, minAcross, std::max(minAcross, maxAcross));
  const int crossStart = (m_bVertical ? inner.left - m_szScrollPos.cx : inner.top) + PadStart(pad);
  if (m_bVertical) {
    c->SetPos(RECT{crossStart, along, crossStart + across, along + slot.length});
  } else {
    c->SetPos(RECT{along, crossStart, along + slot.length, crossStart + across});
  }
}

}  // namespace DuiLib
