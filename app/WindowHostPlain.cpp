#include "app/WindowHost.h"
#include "platform/MessageQueue.h"

bool WindowHost::Install(bool) {
  return false;
}

int WindowHost::RunLoop() {
  return platform::RunMessageLoop();
}
