#include "DragSource.h"

#include "duilib/CGtkHost.h"

// Last: X11's macros clash with the headers above.
#include "common/XTestInput.h"

namespace dragtest {
namespace {
// The source window is 120 x 60; press inside it, away from its edges.
constexpr int kGrabX = 40, kGrabY = 30;
constexpr int kSteps = 24;
}  // namespace

bool DragSource::Start(DuiLib::POINT at, const std::vector<std::string>& paths) {
  at_ = at;
  std::vector<std::string> args{kvtest::BuiltProgram("kvup_drag_source"), std::to_string(at.x),
                                std::to_string(at.y)};
  args.insert(args.end(), paths.begin(), paths.end());
  if (!child_.Start(args)) return false;
  if (!child_.WaitForOutput("ready", 5000)) return false;
  DuiLib::CGtkHost::Pump(200);
  return true;
}

bool DragSource::DragTo(DuiLib::POINT to) {
  const int fromX = at_.x + kGrabX, fromY = at_.y + kGrabY;
  xtest::Move(fromX, fromY);
  DuiLib::CGtkHost::Pump(100);
  xtest::Button(true);
  DuiLib::CGtkHost::Pump(100);
  // Small steps: GTK starts the drag past its threshold, then follows the
  // pointer window by window while this process answers as the drop site.
  for (int i = 1; i <= kSteps; ++i) {
    xtest::Move(fromX + (to.x - fromX) * i / kSteps, fromY + (to.y - fromY) * i / kSteps);
    DuiLib::CGtkHost::Pump(40);
  }
  DuiLib::CGtkHost::Pump(300);
  xtest::Button(false);
  bool sent = false;
  for (int i = 0; i < 100 && !sent; ++i) {
    DuiLib::CGtkHost::Pump(20);
    sent = child_.Output().find("sent ") != std::string::npos;
  }
  return sent;
}

}  // namespace dragtest
