// What shows the windows of this run: the toolkit's GTK host when a display is
// there and headless is not asked for, its headless host otherwise. Builds
// without the toolkit (KVUP_BUILD_UI=OFF) have no windows and run the plain
// message loop. User-interface thread only.
#pragma once

class WindowHost {
 public:
  // Chooses and installs the host; true when windows reach a display.
  static bool Install(bool headless);
  // Runs the user-interface loop until the quit message; returns its code.
  static int RunLoop();
};
