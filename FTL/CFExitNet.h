// The process-wide managers and the net under their shut-down.
//
// Each owner stops the managers it started, explicitly and in the shut-down
// order. A manager still running when the process exits was missed by that
// order: the net, armed for every manager made by ProcessInstance, logs it at
// ERROR and stops it before the manager's destruction begins (so no thread of
// it meets a half-destroyed object). Where the net is strict it then aborts
// the process, so that a missed stop fails loudly instead of hiding.
//
// Threads: the net runs at exit, on the thread that ends the process.
#pragma once

#include <cstdlib>
#include <functional>
#include <typeinfo>
#include <utility>

namespace FTL {

// Strict in debug builds, and wherever KVUP_STRICT_EXIT=1 is set (the tests).
bool ExitNetStrict();
void SetExitNetStrict(bool strict);

// The net's catch of one manager of the given type: logs, runs stop, and then
// aborts when the net is strict.
void CatchLeftRunning(const std::type_info& type, const std::function<void()>& stop);

// The one instance of manager M, created on first use and destroyed at exit.
// M::StopLeftRunning() is the net: it calls CatchLeftRunning when threads of
// the manager still run.
template <typename M, typename... Args>
M& ProcessInstance(Args&&... args) {
  static M instance(std::forward<Args>(args)...);
  // Registered after the instance is complete, so it runs before its destructor.
  static const bool netArmed = std::atexit([] { instance.StopLeftRunning(); }) == 0;
  (void)netArmed;
  return instance;
}

}  // namespace FTL
