// The usual base of a skinned window: it owns the paint manager, builds the
// control tree from its skin on WM_CREATE, registers itself as notifier and
// message filter, dispatches notifications through its message map (and its
// virtual windows), and passes unhandled messages to the paint manager and then
// to the plain window. User-interface thread only.
#pragma once

#include "duilib/CNotifyPump.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CWindowWnd.h"
#include "duilib/IDialogBuilderCallback.h"
#include "duilib/IMessageFilterUI.h"
#include "duilib/INotifyUI.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  // The initial set-up, after the control tree exists.
  virtual void InitWindow() {}
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& /*msg*/) {}
  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
  LRESULT MessageHandler(UINT msg, WPARAM w, LPARAM l, bool& handled) override;
  CControlUI* CreateControl(const std::string& /*className*/) override { return nullptr; }

  DUI_DECLARE_MESSAGE_MAP()

 protected:
  virtual std::string GetSkinFolder() = 0;
  virtual std::string GetSkinFile() = 0;
  virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }
  virtual std::string GetResourceID() const { return std::string(); }
  void OnFinalMessage(HWND hwnd) override;

  virtual LRESULT OnCreate(UINT msg, WPARAM w, LPARAM l, bool& handled);
  virtual LRESULT OnClose(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, bool& handled) {
    handled = false;
    return 0;
  }
  virtual LRESULT OnDestroy(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, bool& handled) {
    handled = false;
    return 0;
  }
  virtual LRESULT HandleCustomMessage(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, bool& handled) {
    handled = false;
    return 0;
  }

  CPaintManagerUI m_PaintManager;
};

}  // namespace DuiLib
