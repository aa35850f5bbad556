// The window a test menu reports to, standing in for the drop window.
#pragma once

#include <vector>

#include "common/DuiTestWindow.h"
#include "session/Messages.h"

namespace menutest {

// Stands in for the drop window: a chosen item arrives as 0x7f0 and becomes the
// "menu_msg" notification of the control that opened the menu.
class ResultWindow : public duitest::TestWindow {
 public:
  ResultWindow()
      : TestWindow(R"(<Window size="131,36"><HorizontalLayout>
          <Label name="mLabel" text="拖拽上传"/></HorizontalLayout></Window>)") {}
  std::vector<DuiLib::LPARAM> commands;

  DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override {
    if (msg != msg::WM_MENU_COMMAND) return TestWindow::HandleMessage(msg, w, l);
    commands.push_back(l);
    if (l != 0)
      GetPaintManager().SendNotify(reinterpret_cast<DuiLib::CControlUI*>(l), "menu_msg", w, l);
    return 0;
  }
};

}  // namespace menutest
