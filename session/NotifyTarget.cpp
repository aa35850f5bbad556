#include "session/NotifyTarget.h"

#include "session/COptions.h"

platform::HWND NotifyTarget::Resolve(platform::HWND given) {
  return given != nullptr ? given : COptions::Instance().m_dropWnd.load();
}
