// The deployment values a run can be given on its command line.
#pragma once

#include <string>

struct LaunchOptions {
  static constexpr int kDefaultLinkPort = 23175;

  std::string serviceUrl;           // --service, else $KVUP_SERVICE_URL, else the stand-in service
  std::string host;                 // --host: the enterprise host; empty = the URL's host
  std::string userDataDir;          // --user-data: replaces the default user-data folder
  int linkPort = kDefaultLinkPort;  // --port
  bool headless = false;            // --headless, or no display available
  // --ready-wait: how long start-up waits for the first listing of the
  // backup root before it opens the windows offline.
  int readyWaitMs = 30000;
  // --no-resume-journal: the resume rows are written only when kvup closes
  // or goes offline (what they cost is measured against it).
  bool resumeJournal = true;
  // --ui-timing: every user-interface handler run is timed; the histogram
  // goes to the log at exit (outside the close and offline sequences).
  bool uiTiming = false;

  // The values of this run, set by the frame before any thread starts.
  static LaunchOptions& Current();
};
