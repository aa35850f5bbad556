// A world for the upload manager window: a temporary data folder with the log
// database, the process options of the signed-in user 7, the skin folder of
// the build, a drop-window link that records what it is told, and the window
// itself (created on demand, destroyed at the end).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TempDir.h"
#include "pipeline/FileBackupMgr.h"
#include "sqlite/DBWrapper.h"
#include "ui/CMainUiDlg.h"
#include "upload/DropWindowLink.h"

namespace managertest {

class RecordingLink : public DropWindowLink {
 public:
  void diskFull() override {}
  void ShowStatusText(const std::string& text) override { statusText = text; }
  void SendCode(int32_t code) override { codes.push_back(code); }
  bool hasFailures() const override { return failuresShown; }
  void SetFinishedNormally(bool finished) override { finishedNormally = finished; }

  std::string statusText;
  std::vector<int32_t> codes;
  bool failuresShown = false;
  bool finishedNormally = true;
};

class ManagerWindowWorld : public ::testing::Test {
 protected:
  static constexpr int32_t kUser = 7;

  void SetUp() override;
  void TearDown() override;

  // Creates the window (shown or hidden) with these services.
  CMainUiDlg* OpenWindow(UploadQueue::Services services, bool visible);
  UploadQueue::Services PageServices() {
    return {&COptions::Instance(), &store_, nullptr, nullptr};
  }
  // One history row as the database writer writes it.
  void AddHistory(int32_t user, const std::string& name, const std::string& path, int64_t size,
                  int type);
  std::vector<DBWrapper::Row> HistoryRows(int32_t user);
  std::string LogDatabase() const;
  DuiLib::CControlUI* Find(const std::string& name) const;
  // Selects the option as a click would ("selectchanged").
  void Select(const std::string& option);
  // Sends "click" of the control as the button does.
  void Click(DuiLib::CControlUI* control);

  kvtest::TempDir dir_;
  FileBackupMgr store_;
  RecordingLink link_;
  CMainUiDlg* window_ = nullptr;
};

}  // namespace managertest
