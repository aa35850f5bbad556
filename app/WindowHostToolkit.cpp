#include "app/WindowHost.h"
#include "duilib/CUIHost.h"

bool WindowHost::Install(bool headless) {
  return DuiLib::CUIHost::InstallDefault(headless);
}

int WindowHost::RunLoop() {
  return DuiLib::CUIHost::Current().RunLoop();
}
