// The upload tool-tip window: while uploads run, hovering over the drop window
// shows it with one row per listed upload (small icon, short name, status or
// percentage) and a button that opens the upload manager window. Its rows
// mirror the task rows of the upload-list page, which adds, updates and
// removes them; the drop window places, shows and hides it. Created once and
// owned by the drop window. User-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "duilib/CLabelUI.h"
#include "duilib/CListUI.h"
#include "duilib/WindowImplBase.h"
#include "ui/ToolTipOwner.h"

class CToolTipUiDlg : public DuiLib::WindowImplBase {
 public:
  // The window's size as the drop window creates it.
  static constexpr int kCreateWidth = 270, kCreateHeight = 207;

  std::string GetWindowClassName() const override { return "KvupToolTipUi"; }
  DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void InitWindow() override;

  void SetDropWindow(ToolTipOwner* owner) { m_owner = owner; }

  // A row for the task at the given row number (the same as on the upload list).
  void AddRow(int32_t taskIndex, const std::string& name, int row);
  // The status text or the percentage of the task's row; no row: nothing.
  void SetRowText(int32_t taskIndex, const std::string& text);
  void RemoveRow(int32_t taskIndex, int row);
  void clearItems();
  // "42%" for 42.
  static std::string PercentText(int percent);

  // The status label of a task's row, or null (tests).
  DuiLib::CLabelUI* RowLabel(int32_t taskIndex) const;
  DuiLib::CListUI* List() const { return m_list; }

 protected:
  std::string GetSkinFolder() override;
  std::string GetSkinFile() override { return "tooltip.xml"; }
  void OnFinalMessage(DuiLib::HWND hwnd) override;

 private:
  DuiLib::CControlUI* BuildRow(const std::string& name, DuiLib::CLabelUI** status) const;
  void Redraw();

  std::map<int32_t, DuiLib::CLabelUI*> m_rowLabels;
  DuiLib::CListUI* m_list = nullptr;
  ToolTipOwner* m_owner = nullptr;
};
