#include "duilib/CUIHost.h"

#include "duilib/CGtkHost.h"
#include "duilib/CHeadlessHost.h"

namespace DuiLib {
namespace {
std::unique_ptr<CUIHost>& Slot() {
  static std::unique_ptr<CUIHost> host;
  return host;
}
}  // namespace

CUIHost& CUIHost::Current() {
  if (!Slot()) Slot() = std::make_unique<CHeadlessHost>();
  return *Slot();
}

void CUIHost::Install(std::unique_ptr<CUIHost> host) {
  Slot() = std::move(host);
}

bool CUIHost::InstallDefault(bool forceHeadless) {
  if (!forceHeadless && CGtkHost::DisplayAvailable()) {
    Install(std::make_unique<CGtkHost>());
    return true;
  }
  Install(std::make_unique<CHeadlessHost>());
  return false;
}

}  // namespace DuiLib
