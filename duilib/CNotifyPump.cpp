#include "duilib/CNotifyPump.h"

namespace DuiLib {

bool CNotifyPump::AddVirtualWnd(const std::string& name, CNotifyPump* pump) {
  if (name.empty() || pump == nullptr || m_VirtualWndMap.count(name) != 0) return false;
  m_VirtualWndMap[name] = pump;
  return true;
}

bool CNotifyPump::RemoveVirtualWnd(const std::string& name) {
  return m_VirtualWndMap.erase(name) != 0;
}

void CNotifyPump::NotifyPump(TNotifyUI& msg) {
  if (!msg.sVirtualWnd.empty()) {
    auto it = m_VirtualWndMap.find(msg.sVirtualWnd);
    if (it != m_VirtualWndMap.end()) {
      it->second->LoopDispatch(msg);
      return;
    }
  }
  LoopDispatch(msg);
}

}  // namespace DuiLib
