// A real drag for the GTK tests: the drag-source program offers paths as
// text/uri-list from a window at a screen point, and XTest drags them with
// the pointer from there onto a screen point and lets go, as a user does from
// a file manager. Tests that use it hold the "display_pointer" lock.
#pragma once

#include <string>
#include <vector>

#include "common/ChildProcess.h"
#include "duilib/UIDefs.h"

namespace dragtest {

class DragSource {
 public:
  // Starts the program with its window at `at`; false when it never showed.
  bool Start(DuiLib::POINT at, const std::vector<std::string>& paths);
  // Presses on the source window, moves in small steps to `to`, releases;
  // true when the source saw the drop target take the data.
  bool DragTo(DuiLib::POINT to);
  std::string Output() { return child_.Output(); }

 private:
  kvtest::ChildProcess child_;
  DuiLib::POINT at_;
};

}  // namespace dragtest
