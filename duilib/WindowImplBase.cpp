#include "duilib/WindowImplBase.h"

#include <sys/stat.h>

#include "duilib/CDialogBuilder.h"
#include "log/KvLog.h"

namespace DuiLib {

DUI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, OnClick)
DUI_END_MESSAGE_MAP()

void WindowImplBase::Notify(TNotifyUI& msg) {
  NotifyPump(msg);
}

LRESULT WindowImplBase::MessageHandler(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, bool& handled) {
  handled = false;
  return 0;
}

void WindowImplBase::OnFinalMessage(HWND /*hwnd*/) {
  m_PaintManager.RemovePreMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
  m_PaintManager.RemoveAllTimers();
}

LRESULT WindowImplBase::OnCreate(UINT /*msg*/, WPARAM /*w*/, LPARAM /*l*/, bool& handled) {
  handled = true;
  m_PaintManager.Init(m_hWnd);
  // A skin folder that exists on this machine becomes the resource folder;
  // otherwise the resource path set at start-up stays.
  std::string folder = GetSkinFolder();
  struct stat st {};
  if (!folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    CPaintManagerUI::SetResourcePath(folder);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFile(), "", this, &m_PaintManager);
  if (root == nullptr) {
    KV_ERROR("DuiLib", "%s: %s", GetWindowClassName().c_str(),
             builder.GetLastErrorMessage().c_str());
    return -1;
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);
  m_PaintManager.AddPreMessageFilter(this);
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (m_PaintManager.PreMessageHandler(msg, w, l, result)) return result;
  bool handled = false;
  switch (msg) {
    case WM_CREATE:
      result = OnCreate(msg, w, l, handled);
      break;
    case WM_CLOSE:
      result = OnClose(msg, w, l, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(msg, w, l, handled);
      break;
    default:
      break;
  }
  if (!handled) result = HandleCustomMessage(msg, w, l, handled);
  if (handled) return result;
  if (m_PaintManager.MessageHandler(msg, w, l, result)) return result;
  return CWindowWnd::HandleMessage(msg, w, l);
}

}  // namespace DuiLib
