// The upload-list page: one item per upload task (at most five, their rows
// tracked in rowSlots) and, after a batch with permanent failures, one item
// per failed file. The manager window renders what its upload queue reports
// through these operations; the page's buttons go back to the queue.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "duilib/CButtonUI.h"
#include "duilib/CListUI.h"
#include "duilib/CNotifyPump.h"
#include "duilib/CProgressUI.h"
#include "upload/FailedUpload.h"
#include "upload/UploadRowSlots.h"

struct UploadTask;
class UploadQueue;
class CToolTipUiDlg;

class CPage1 : public DuiLib::CNotifyPump {
 public:
  // The controls of a task item that later updates touch.
  struct ItemParts {
    DuiLib::CProgressUI* progress = nullptr;
    DuiLib::CLabelUI* status = nullptr;
    DuiLib::CButtonUI* button = nullptr;
    bool startedOnce = false;  // reported in a state other than Paused
  };

  void SetList(DuiLib::CListUI* list) { m_list = list; }
  DuiLib::CListUI* List() const { return m_list; }
  // Where the item buttons go; null: the buttons do nothing.
  void SetQueue(UploadQueue* queue) { m_queue = queue; }
  // The tool-tip window whose rows mirror the task items; null: none.
  void SetToolTip(CToolTipUiDlg* toolTip) { m_toolTip = toolTip; }

  void AddTaskItem(const UploadTask& task);
  void AddFailedItem(const FailedUpload& failure);
  void RemoveTaskItem(const UploadTask& task);
  void UpdateProgress(const UploadTask& task, const std::string& text, int percent);
  void UpdateStatus(const UploadTask& task, const std::string& text);
  void ClearAll();
  // Shows the failed files as items (scroll bars on when more than five).
  void showFailedItems(const std::vector<FailedUpload>& failures);

  const UploadRowSlots& rowSlots() const { return m_rowSlots; }
  const std::map<int32_t, ItemParts>& itemMap() const { return m_itemMap; }

  // The status text of a failed file's error code.
  static std::string FailedText(const FailedUpload& failure);

  DUI_DECLARE_MESSAGE_MAP()

 private:
  void OnClick(DuiLib::TNotifyUI& msg);
  void OnIgnored(DuiLib::TNotifyUI& /*msg*/) {}
  void OnControlClicked(DuiLib::CButtonUI* button, int row);
  void OnDeleteClicked(int row);
  // The element: the name, icon, progress, status and the two buttons.
  DuiLib::CControlUI* BuildItem(const std::string& name, int percent,
                                const std::string& statusAttributes,
                                const std::string& buttonAttributes, ItemParts* parts) const;
  ItemParts* PartsOf(const UploadTask& task);

  DuiLib::CListUI* m_list = nullptr;
  UploadQueue* m_queue = nullptr;
  CToolTipUiDlg* m_toolTip = nullptr;
  UploadRowSlots m_rowSlots;
  std::map<int32_t, ItemParts> m_itemMap;
};
