#include "ui/CPage1.h"

#include "duilib/CBoxLayoutUI.h"
#include "duilib/CListContainerElementUI.h"
#include "ui/CItemBuilder.h"
#include "ui/CToolTipUiDlg.h"
#include "ui/ItemAttributes.h"
#include "upload/TaskState.h"
#include "upload/UploadQueue.h"
#include "upload/UploadTask.h"
#include "util/CommonUtils.h"

using namespace DuiLib;

namespace {

constexpr int kNameBytes = 46;

int StartPercent(int64_t breakPoint, int64_t size) {
  return size > 0 ? static_cast<int>(breakPoint * 100 / size) : 0;
}

std::string LastComponent(const std::string& path) {
  std::string component, parent;
  return SplitPath(path, &component, &parent) ? component : path;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CPage1, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, OnIgnored)
DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMCLICK, OnIgnored)
DUI_END_MESSAGE_MAP()

std::string CPage1::FailedText(const FailedUpload& failure) {
  if (failure.errorCode == FailedUpload::kDiskFull)
    return "fodra容量不足，请补充容量或删除多余文件";
  if (failure.errorCode == FailedUpload::kFileTooLarge) return "超出上传文件大小限制";
  if (!failure.description.empty()) return failure.description;
  if (failure.errorCode == FailedUpload::kFolderRefused ||
      failure.errorCode == FailedUpload::kFolderUnanswered)
    return "无法创建上传目录";
  return "上传失败";
}

CControlUI* CPage1::BuildItem(const std::string& name, int percent,
                              const std::string& statusAttributes,
                              const std::string& buttonAttributes, ItemParts* parts) const {
  auto* element = CItemBuilder::Make<CListContainerElementUI>(itemattr::kTaskElement);
  auto* column = new CVerticalLayoutUI;
  element->Add(column);
  column->Add(CItemBuilder::Sized("height", "8"));
  auto* row = CItemBuilder::Make<CHorizontalLayoutUI>(itemattr::kRowFixed);
  column->Add(row);
  row->Add(CItemBuilder::Sized("width", "12"));
  row->Add(CItemBuilder::Icon(name));
  row->Add(CItemBuilder::Sized("width", "8"));
  auto* texts = CItemBuilder::Sized<CVerticalLayoutUI>("width", "295");
  row->Add(texts);
  texts->Add(
      CItemBuilder::Text(itemattr::kNameLabel, "upld_name", ShortenFileName(name, kNameBytes)));
  parts->progress = new CProgressUI;
  parts->progress->SetName("upld_progress");
  parts->progress->SetMinValue(0);
  parts->progress->SetMaxValue(100);
  parts->progress->SetValue(percent);
  parts->progress->SetMaxWidth(279);
  parts->progress->SetMaxHeight(10);
  parts->progress->SetBkImage("progress_bg.png");
  parts->progress->SetForeImage("progress_in.png");
  texts->Add(parts->progress);
  parts->status = CItemBuilder::Make<CLabelUI>(statusAttributes);
  texts->Add(parts->status);
  parts->button = CItemBuilder::Make<CButtonUI>(buttonAttributes);
  row->Add(parts->button);
  row->Add(CItemBuilder::Make<CButtonUI>(itemattr::kDeleteButton));
  column->Add(CItemBuilder::Sized("height", "8"));
  column->Add(CItemBuilder::Separator(itemattr::kTaskSeparator));
  return element;
}

void CPage1::AddTaskItem(const UploadTask& task) {
  if (m_list == nullptr) return;
  const int row = m_rowSlots.Take(task.taskIndex);
  if (row < 0) return;  // the queue never lists more than five tasks
  ItemParts parts;
  CControlUI* element = BuildItem(task.name, StartPercent(task.breakPoint, task.size),
                                  itemattr::kWaitingStatus, itemattr::kTaskControlButton, &parts);
  m_list->AddAt(element, row);
  m_itemMap[task.taskIndex] = parts;
  if (m_toolTip != nullptr) m_toolTip->AddRow(task.taskIndex, task.name, row);
}

void CPage1::AddFailedItem(const FailedUpload& failure) {
  if (m_list == nullptr) return;
  ItemParts unused;
  const std::string status = std::string(itemattr::kFailedStatusBefore) + FailedText(failure) +
                             itemattr::kFailedStatusAfter;
  m_list->Add(BuildItem(LastComponent(failure.file.path), 0, status, itemattr::kFailedControlButton,
                        &unused));
}

void CPage1::RemoveTaskItem(const UploadTask& task) {
  m_itemMap.erase(task.taskIndex);
  const int row = m_rowSlots.Remove(task.taskIndex);
  if (row < 0) return;
  if (m_list != nullptr) m_list->RemoveAt(row);
  if (m_toolTip != nullptr) m_toolTip->RemoveRow(task.taskIndex, row);
}

CPage1::ItemParts* CPage1::PartsOf(const UploadTask& task) {
  auto it = m_itemMap.find(task.taskIndex);
  return it == m_itemMap.end() ? nullptr : &it->second;
}

void CPage1::UpdateProgress(const UploadTask& task, const std::string& text, int percent) {
  ItemParts* parts = PartsOf(task);
  if (parts == nullptr) return;
  parts->status->SetText(text);
  parts->progress->SetValue(percent);
  if (m_toolTip != nullptr)
    m_toolTip->SetRowText(task.taskIndex, CToolTipUiDlg::PercentText(percent));
}

void CPage1::UpdateStatus(const UploadTask& task, const std::string& text) {
  ItemParts* parts = PartsOf(task);
  if (parts == nullptr) return;
  parts->button->SetEnabled(true);
  if (task.state == TaskState::Paused) {
    parts->button->SetNormalImage(itemattr::kPlayImage);
  } else {
    parts->button->SetNormalImage(itemattr::kPauseImage);
    parts->startedOnce = true;
  }
  parts->status->SetText(text);
  if (m_toolTip != nullptr && task.state != TaskState::Paused)
    m_toolTip->SetRowText(task.taskIndex, text);
}

void CPage1::ClearAll() {
  m_itemMap.clear();
  m_rowSlots.Clear();
  if (m_list == nullptr) return;
  for (int i = m_list->GetCount() - 1; i >= 0; --i) m_list->RemoveAt(i);
}

void CPage1::showFailedItems(const std::vector<FailedUpload>& failures) {
  if (m_list != nullptr && failures.size() > 5) {
    m_list->SetAttribute("vscrollbar", "true");
    m_list->SetAttribute("hscrollbar", "true");
  }
  for (const FailedUpload& failure : failures) AddFailedItem(failure);
}

void CPage1::OnClick(TNotifyUI& msg) {
  auto* button = static_cast<CButtonUI*>(msg.pSender->GetInterface("Button"));
  if (button == nullptr || m_list == nullptr) return;
  // button -> row -> column -> element
  CControlUI* element = button->GetParent();
  for (int i = 0; i < 2 && element != nullptr; ++i) element = element->GetParent();
  if (element == nullptr) return;
  const int row = m_list->GetItemIndex(element);
  if (row < 0) return;
  if (button->GetName() == "ctrl_btn") OnControlClicked(button, row);
  if (button->GetName() == "del_btn") OnDeleteClicked(row);
}

void CPage1::OnControlClicked(CButtonUI* button, int row) {
  auto it = m_itemMap.find(m_rowSlots.TaskAt(row));
  if (it == m_itemMap.end() || m_queue == nullptr) return;
  const bool started = m_queue->pauseOrStartItem(it->first, it->second.startedOnce);
  button->SetNormalImage(started ? itemattr::kPauseImage : itemattr::kPlayImage);
}

void CPage1::OnDeleteClicked(int row) {
  if (m_queue == nullptr) return;
  // A failed item (failures shown) only leaves the list.
  if (!m_queue->deleteClicked(m_rowSlots.TaskAt(row))) m_list->RemoveAt(row);
}
