// The drop window: the small, always-on-top, caption-less window that takes
// dropped files and folders, and the process's notification hub on the
// user-interface thread. It is a view: it owns the status label, its timers,
// the hover tool-tip window, the pop-up menu and the dragging of the window,
// and forwards drops, the workers' messages and expired timers to its
// DropPipeline, which owns the behaviour and renders itself through
// DropPipelineView. User-interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "duilib/WindowImplBase.h"
#include "ui/ToolTipOwner.h"
#include "upload/DropPipeline.h"
#include "upload/DropPipelineView.h"

class CMainUiDlg;
class CToolTipUiDlg;

class CDndUiDlg : public DuiLib::WindowImplBase, public DropPipelineView, public ToolTipOwner {
 public:
  static constexpr int kWidth = 131, kHeight = 36;
  // Where and how large the tool-tip window is shown.
  static constexpr int kToolTipWidth = 275, kToolTipHeight = 215, kToolTipTop = 43;
  static constexpr uint32_t kToolTipMs = 2000;

  explicit CDndUiDlg(DropPipeline::Services services = DropPipeline::Services::Process());
  ~CDndUiDlg() override;

  std::string GetWindowClassName() const override { return "KvupDndUi"; }
  DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  // The initial set-up: the status label and the hidden tool-tip window.
  void InitWindow() override;

  // The upload manager window (not owned); the pipeline is built on its queue.
  void SetMainWindow(CMainUiDlg* main);
  DropPipeline* Pipeline() const { return m_pipeline.get(); }
  CToolTipUiDlg* ToolTipWindow() const { return m_toolTip; }
  DuiLib::CControlUI* StatusLabel();
  bool MenuOpen() const { return m_menuOpen; }
  bool ToolTipHovered() const { return m_toolTipHovered; }

  // DropPipelineView.
  void ShowStatusText(const std::string& text) override;
  void ShowStatusToolTip(const std::string& text, int32_t width) override;
  void SetMainButtons(bool running) override;
  void StartTimer(int32_t id, uint32_t periodMs) override;
  void StopTimer(int32_t id) override;
  void ShowFailedItems() override;
  void ClearToolTipItems() override;
  void HideWindows() override;
  void CloseManagerWindow() override;
  void Quit() override;

  // ToolTipOwner.
  void SetToolTipHovered(bool hovered) override { m_toolTipHovered = hovered; }
  void ToolTipDestroyed() override;

  // The names of the menu items that are disabled while m_busy has this value.
  static std::vector<std::string> DisabledMenuItems(int32_t busy);

 protected:
  std::string GetSkinFolder() override;
  std::string GetSkinFile() override { return "dnd.xml"; }
  void OnFinalMessage(DuiLib::HWND hwnd) override;

 private:
  bool HandleOwnMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l,
                        DuiLib::LRESULT* result);
  DuiLib::LRESULT OnDropFiles(DuiLib::WPARAM w);
  DuiLib::LRESULT OnMouseHover(DuiLib::WPARAM w, DuiLib::LPARAM l, bool* handled);
  void ShowToolTipWindow(DuiLib::POINT client);
  void StartDragging();
  void OnContextMenu(DuiLib::LPARAM l);
  void OpenMenu(DuiLib::POINT screen, DuiLib::CControlUI* target, int width, int height);
  void AdjustMenuItems(DuiLib::CPaintManagerUI& menu) const;
  void OnMenuCommand(const std::string& item);
  void OnTimer(int32_t id);
  void ShowManagerWindow();
  void ToggleVisible();
  void CreateToolTipWindow();
  int32_t Busy() const;
  CMainUiDlg* LiveMain() const;

  DropPipeline::Services m_services;
  std::unique_ptr<DropPipeline> m_pipeline;
  CMainUiDlg* m_main = nullptr;
  DuiLib::HWND m_mainWnd = nullptr;
  CToolTipUiDlg* m_toolTip = nullptr;
  DuiLib::CControlUI* m_statusLabel = nullptr;
  DuiLib::POINT m_menuPoint;
  DuiLib::CControlUI* m_menuTarget = nullptr;
  bool m_menuOpen = false;
  bool m_toolTipHovered = false;
  bool m_visible = true;
};
