// Until the drop window exists, the window that takes what the link posts: a
// quit from the desktop client, or its going away, ends the message loop so
// that kvup shuts down in order. Other posts have no effect.
//
// Threads: created, destroyed and handled on the user-interface thread.
#pragma once

#include "platform/MessageQueue.h"

class ClientInterfaceMgr;

class ClientEventWindow : public platform::MessageHandler {
 public:
  explicit ClientEventWindow(ClientInterfaceMgr& link) : link_(link) {}
  ~ClientEventWindow() override;
  ClientEventWindow(const ClientEventWindow&) = delete;
  ClientEventWindow& operator=(const ClientEventWindow&) = delete;

  // Creates the handle and hands it to the link. A quit or a close of the
  // client that came before is acted on as if it arrived now.
  bool Attach();
  // Takes the handle from the link and destroys it.
  void Detach();

  platform::LRESULT HandleMessage(platform::UINT msg, platform::WPARAM w,
                                  platform::LPARAM l) override;

 private:
  void OnClientEvent();

  ClientInterfaceMgr& link_;
  platform::HWND hwnd_ = nullptr;
};
