#include "app/ClientEventWindow.h"

#include "log/KvLog.h"
#include "peer/ClientInterfaceMgr.h"
#include "session/COptions.h"
#include "session/Messages.h"

ClientEventWindow::~ClientEventWindow() {
  Detach();
}

bool ClientEventWindow::Attach() {
  if (hwnd_ != nullptr) return true;
  hwnd_ = platform::CreateWindowHandle(this);
  if (hwnd_ == nullptr) return false;
  link_.SetNotifyWindow(hwnd_);
  // A quit or a close that came before the handle existed was posted to no
  // window; only the peer event tells of it.
  if (COptions::Instance().m_peerEvent.load() == PeerEvent::kQuit) {
    platform::PostMessage(hwnd_, msg::WM_CLIENT_EVENT, 0, 0);
  }
  return true;
}

void ClientEventWindow::Detach() {
  if (hwnd_ == nullptr) return;
  link_.SetNotifyWindow(nullptr);
  platform::DestroyWindowHandle(hwnd_);
  hwnd_ = nullptr;
}

platform::LRESULT ClientEventWindow::HandleMessage(platform::UINT msg, platform::WPARAM,
                                                   platform::LPARAM) {
  if (msg == msg::WM_CLIENT_EVENT) OnClientEvent();
  return 0;
}

void ClientEventWindow::OnClientEvent() {
  const PeerEvent event = COptions::Instance().m_peerEvent.exchange(PeerEvent::kNone);
  KV_TRACE("KVUP", "KVUP client event: %d", StateNumber(event));
  if (event != PeerEvent::kQuit) return;
  link_.ClearPeerReady();
  platform::PostQuitMessage(0);
}
