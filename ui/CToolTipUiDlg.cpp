#include "ui/CToolTipUiDlg.h"

#include <cstdio>

#include "duilib/CBoxLayoutUI.h"
#include "duilib/CListContainerElementUI.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "ui/CItemBuilder.h"
#include "ui/ItemAttributes.h"
#include "ui/SkinFolder.h"
#include "ui/SkinWindowFrame.h"
#include "util/CommonUtils.h"

using namespace DuiLib;

namespace {
constexpr int kNameBytes = 23;
}  // namespace

std::string CToolTipUiDlg::GetSkinFolder() {
  return SkinFolder::Path();
}

void CToolTipUiDlg::OnFinalMessage(HWND hwnd) {
  WindowImplBase::OnFinalMessage(hwnd);
  if (m_owner != nullptr) m_owner->ToolTipDestroyed();
  delete this;
}

void CToolTipUiDlg::InitWindow() {
  m_list = static_cast<CListUI*>(m_PaintManager.FindControl("now_upld_list"));
}

LRESULT CToolTipUiDlg::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (SkinWindowFrame::Handle(*this, msg, w, l, &result)) return result;
  switch (msg) {
    case WM_CREATE:
      SkinWindowFrame::StripCaption(*this);
      break;
    case WM_NCHITTEST:
      return SkinWindowFrame::CaptionHitTest(GetHWND(), m_PaintManager, l);
    case WM_MOUSEHOVER:
      if (m_owner != nullptr) m_owner->SetToolTipHovered(true);
      break;
    case WM_MOUSELEAVE:
      ShowWindow(false, false);
      if (m_owner != nullptr) m_owner->SetToolTipHovered(false);
      break;
    default:
      break;
  }
  return WindowImplBase::HandleMessage(msg, w, l);
}

void CToolTipUiDlg::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender != nullptr &&
      msg.pSender->GetName() == "showMgrBtn")
    platform::SendMessage(COptions::Instance().m_dropWnd.load(), msg::WM_SHOW_MANAGER, 0, 0);
  WindowImplBase::Notify(msg);
}

CControlUI* CToolTipUiDlg::BuildRow(const std::string& name, CLabelUI** status) const {
  auto* element = CItemBuilder::Make<CListContainerElementUI>(itemattr::kTipElement);
  auto* column = new CVerticalLayoutUI;
  element->Add(column);
  column->Add(CItemBuilder::Sized("height", "7"));
  auto* row = CItemBuilder::Make<CHorizontalLayoutUI>(itemattr::kTipRow);
  column->Add(row);
  row->Add(CItemBuilder::Sized("width", "4"));
  auto* iconBox = CItemBuilder::Make<CVerticalLayoutUI>(itemattr::kTipIconBox);
  row->Add(iconBox);
  iconBox->Add(CItemBuilder::Make<CLabelUI>(std::string(itemattr::kTipIconBefore) +
                                            SmallIconName(name) + itemattr::kTipIconAfter));
  auto* nameBox = new CVerticalLayoutUI;
  row->Add(nameBox);
  nameBox->Add(
      CItemBuilder::Text(itemattr::kTipName, "upld_name", ShortenFileName(name, kNameBytes)));
  auto* statusBox = CItemBuilder::Make<CVerticalLayoutUI>(itemattr::kTipStatusBox);
  row->Add(statusBox);
  *status = CItemBuilder::Make<CLabelUI>(itemattr::kTipStatus);
  statusBox->Add(*status);
  return element;
}

void CToolTipUiDlg::AddRow(int32_t taskIndex, const std::string& name, int row) {
  if (m_list == nullptr) return;
  CLabelUI* status = nullptr;
  CControlUI* element = BuildRow(name, &status);
  if (!m_list->AddAt(element, row)) {
    delete element;
    return;
  }
  m_rowLabels[taskIndex] = status;
  Redraw();
}

void CToolTipUiDlg::SetRowText(int32_t taskIndex, const std::string& text) {
  auto it = m_rowLabels.find(taskIndex);
  if (it == m_rowLabels.end()) return;
  it->second->SetText(text);
  Redraw();
}

void CToolTipUiDlg::RemoveRow(int32_t taskIndex, int row) {
  m_rowLabels.erase(taskIndex);
  if (m_list != nullptr) m_list->RemoveAt(row);
  Redraw();
}

void CToolTipUiDlg::clearItems() {
  m_rowLabels.clear();
  if (m_list != nullptr) {
    for (int i = m_list->GetCount() - 1; i >= 0; --i) m_list->RemoveAt(i);
  }
  Redraw();
}

std::string CToolTipUiDlg::PercentText(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%c", percent, '%');
  return text;
}

CLabelUI* CToolTipUiDlg::RowLabel(int32_t taskIndex) const {
  auto it = m_rowLabels.find(taskIndex);
  return it == m_rowLabels.end() ? nullptr : it->second;
}

void CToolTipUiDlg::Redraw() {
  m_PaintManager.Invalidate();
}
