#include "app/KvupApp.h"

#include <curl/curl.h>
#include <log4cplus/initializer.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "app/CommandLine.h"
#include "app/EarlyClientMessages.h"
#include "app/LogSetup.h"
#include "app/ProgramWindows.h"
#include "app/ReadyWatcher.h"
#include "app/SignalWatcher.h"
#include "app/StartedWorkers.h"
#include "app/WindowHost.h"
#include "app/WorkerStartUp.h"
#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "pipeline/CompareFileMgr.h"
#include "platform/HandlerTiming.h"
#include "platform/LastError.h"
#include "platform/MessageQueue.h"
#include "platform/SingleInstance.h"
#include "session/COptions.h"
#include "session/Messages.h"
#include "session/ServiceConfig.h"
#include "store/CWriteDbMgr.h"
#include "upload/DropPipeline.h"

namespace {

constexpr char kStorageFailedText[] = "上传管理获取配置数据失败，退出";
constexpr rlim_t kOpenFiles = 2048;

void RaiseOpenFilesLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kOpenFiles) return;
  limit.rlim_cur =
      limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= kOpenFiles ? kOpenFiles : limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

void ApplyLaunchOptions(const LaunchOptions& launch) {
  LaunchOptions::Current() = launch;
  ServiceConfig::Instance().SetBaseUrl(launch.serviceUrl);
  ServiceConfig::Instance().SetHostName(launch.host);
}

// Starts the link and waits, without a time limit, for the client's start
// message. False ends the run with exit code 0 before any database is
// touched: on SIGINT or SIGTERM, and when the link ended first (the client
// went away or the port was taken), since nobody could start the run then.
bool PassStartGate(ClientInterfaceMgr& link, SignalWatcher& signals, StartedWorkers& workers) {
  link.Init();
  link.Start();
  workers.Started(link);
  KV_TRACE("KVUP", "KVUP wait for event from CIMG");
  const uint32_t woken = platform::WaitForMultipleObjects(
      {&link.m_startEvent, &signals.Signalled(), &link.LinkEnded()}, false, platform::kInfinite);
  if (woken == platform::kWaitObject0) {
    KV_TRACE("KVUP", "KVUP now begin to work-");
    return true;
  }
  if (woken == platform::kWaitObject0 + 2) {
    KV_ERROR("KVUP", "KVUP the link ended before the start message, exit");
  }
  return false;
}

// The windows, their wiring and the resume, then the message loop.
void RunWindows(ProgramWindows& windows, EarlyClientMessages& early, SignalWatcher& signals,
                bool listed, bool onDisplay) {
  if (!windows.Open()) {
    KV_ERROR("KVUP", "KVUP the windows cannot be created");
    return;
  }
  early.SetDropWindow(windows.DropWindow());
  KV_INFO("KVUP", "KVUP windows %s", onDisplay ? "on the display" : "headless");
  signals.SetQuitWindow(windows.DropWindow());
  ReadyWatcher ready;
  COptions& options = COptions::Instance();
  if (options.m_peerEvent.load() == PeerEvent::kQuit || signals.Signalled().IsSet()) {
    // A quit that came before the drop window existed reached no window.
    options.m_peerEvent = PeerEvent::kQuit;
    platform::PostMessage(windows.DropWindow(), msg::WM_CLIENT_EVENT, 0, 0);
  } else if (listed) {
    windows.Pipeline().setMainButtons(false);
    windows.Pipeline().resumeSavedWork();
  } else {
    // The previous run resumes when going online (goOnline loads it).
    windows.Pipeline().startOffline();
    ready.Start(CompareFileMgr::Instance().readyEvent, windows.DropWindow());
  }
  KV_INFO("KVUP", "KVUP message loop starts, user id %d", options.m_userId);
  platform::HandlerTiming& timing = platform::HandlerTiming::Instance();
  if (LaunchOptions::Current().uiTiming) timing.Enable();
  WindowHost::RunLoop();
  KV_INFO("KVUP", "KVUP message loop ended");
  if (timing.Enabled())
    for (const std::string& line : timing.Report()) KV_INFO("KVUP", "%s", line.c_str());
  signals.SetQuitWindow(nullptr);
  ready.Stop();
}

}  // namespace

int KvupApp::Run(int argc, const char* const* argv) {
  SignalWatcher::Block();
  LaunchOptions launch;
  std::string error;
  switch (CommandLine::Parse(argc, argv, &launch, &error)) {
    case CommandLine::Result::kHelp:
      std::fputs(CommandLine::Usage(argv[0]).c_str(), stdout);
      return 0;
    case CommandLine::Result::kError:
      std::fprintf(stderr, "%s: %s\n%s", argv[0], error.c_str(),
                   CommandLine::Usage(argv[0]).c_str());
      return 2;
    case CommandLine::Result::kRun:
      break;
  }
  platform::SingleInstanceLock instance;
  if (!instance.Acquire() && platform::GetLastError() == platform::kErrorAlreadyExists) return 0;
  // Created before COptions, so it outlives the options' last log line.
  static log4cplus::Initializer logInit;
  logsetup::Configure(logsetup::FindPropertiesFile());
  ApplyLaunchOptions(launch);
  RaiseOpenFilesLimit();
  SignalWatcher signals;
  signals.Start();
  // Before the link thread, which reads the options, can make it.
  COptions::Instance();
  ClientInterfaceMgr& link = ClientInterfaceMgr::Instance();
  // Every worker started from here on is stopped through it, in order.
  StartedWorkers workers;
  // Until the drop window exists, the client's messages wait for it here:
  // the client may drop right after its start message.
  EarlyClientMessages early;
  link.SetNotifyWindow(early.Window());
  if (!PassStartGate(link, signals, workers)) {
    workers.StopAll();
    return 0;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  CWriteDbMgr::Instance().SetResumeJournal(launch.resumeJournal);
  WorkerStartUp startUp(workers);
  if (!startUp.StartEarly(launch.userDataDir)) {
    std::fprintf(stderr, "%s\n", kStorageFailedText);
    link.SetNotifyWindow(nullptr);
    workers.StopAll();
    curl_global_cleanup();
    return 0;
  }
  // The store makes its own request handle on its first listing, here on
  // the user-interface thread. A client that left meanwhile ends the wait
  // too, since its quit waits for the windows.
  const bool listed =
      startUp.StartLate({&signals.Signalled(), &link.LinkEnded()}, launch.readyWaitMs);
  const bool onDisplay = WindowHost::Install(launch.headless);
  {
    ProgramWindows windows;
    RunWindows(windows, early, signals, listed, onDisplay);
    // The drop window goes first; the workers lose their target with it.
  }
  // The three databases' pending statements are written (at most the
  // writer's shut-down bound), then every worker stops in order.
  // Every worker is joined by now: nothing is left to wait for.
  workers.StopAll();
  curl_global_cleanup();
  instance.Release();
  return 0;
}
