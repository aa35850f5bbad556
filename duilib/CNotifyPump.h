// Dispatches notifications through a message map, and forwards those of controls
// whose virtual window names a registered pump to that pump (a window's pages).
// User-interface thread only.
#pragma once

#include <map>
#include <string>

#include "duilib/CControlUI.h"
#include "duilib/UIDefs.h"

namespace DuiLib {

class CNotifyPump {
 public:
  virtual ~CNotifyPump() = default;
  bool AddVirtualWnd(const std::string& name, CNotifyPump* pump);
  bool RemoveVirtualWnd(const std::string& name);
  // Routes to the virtual window of the sender when there is one, else to this
  // pump's message map.
  void NotifyPump(TNotifyUI& msg);
  // Runs this pump's message map; true when an entry took the message.
  bool LoopDispatch(TNotifyUI& msg) { return DispatchNotify(msg); }

 protected:
  virtual bool DispatchNotify(TNotifyUI& /*msg*/) { return false; }

 private:
  std::map<std::string, CNotifyPump*> m_VirtualWndMap;
};

}  // namespace DuiLib

// Message maps: a class declares DUI_DECLARE_MESSAGE_MAP() and defines
//   DUI_BEGIN_MESSAGE_MAP(CMyWnd, WindowImplBase)
//     DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
//   DUI_END_MESSAGE_MAP()
// Entries are tried in order; unmatched messages go to the base class's map.
#define DUI_DECLARE_MESSAGE_MAP() \
 protected:                       \
  bool DispatchNotify(::DuiLib::TNotifyUI& msg) override;

#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)          \
  bool theClass::DispatchNotify(::DuiLib::TNotifyUI& msg) { \
    using DuiMapBase_ = baseClass;

#define DUI_ON_MSGTYPE(msgType, memberFxn) \
  if (msg.sType == (msgType)) {            \
    memberFxn(msg);                        \
    return true;                           \
  }

#define DUI_ON_MSGTYPE_CTRNAME(msgType, ctrName, memberFxn)                                      \
  if (msg.sType == (msgType) && msg.pSender != nullptr && msg.pSender->GetName() == (ctrName)) { \
    memberFxn(msg);                                                                              \
    return true;                                                                                 \
  }

#define DUI_ON_CLICK_CTRNAME(ctrName, memberFxn) \
  DUI_ON_MSGTYPE_CTRNAME(DUI_MSGTYPE_CLICK, ctrName, memberFxn)

#define DUI_END_MESSAGE_MAP()              \
  return DuiMapBase_::DispatchNotify(msg); \
  }
