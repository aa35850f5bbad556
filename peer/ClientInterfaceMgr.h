// The link with the desktop client ("CIMG"): a one-connection TCP server on
// 127.0.0.1 run by the manager's worker thread (the link thread). The client
// greets, hands over the account's cookies, releases the start-up gate, and
// asks for windows, log-out, log-in, quit and drops; kvup answers with
// single decimal status codes.
//
// Threads: the link loop and everything it calls run on the link thread.
// SendStatus and SetNotifyWindow may be called from any thread (the
// user-interface thread in practice); m_startEvent and LinkEnded() are waited
// on by start-up. The owner stops and joins the link thread (StopAndJoin, or
// at the latest the destructor).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "peer/ClientMessage.h"
#include "peer/LinkSocket.h"
#include "peer/MessageFramer.h"
#include "platform/Event.h"
#include "platform/MessageQueue.h"
#include "session/NotifyTarget.h"
#include "workers/CSingleWorkerMgr.h"

class ClientInterfaceMgr : public CSingleWorkerMgr {
 public:
  static constexpr size_t kBufferSize = 16384;
  static constexpr int kTaskNumber = 1;

  // The process's link, on the port of the run's launch options.
  static ClientInterfaceMgr& Instance();

  explicit ClientInterfaceMgr(uint16_t port);
  ~ClientInterfaceMgr() override;

  // Under m_lock, m_stop = 1; wakes nothing, the link sees it at its next wake.
  void RequestStop() { SetStopFlag(); }
  // Set for good once a link thread has ended, whatever the reason (the client
  // went away, the port could not be bound, a send failed, a stop).
  platform::Event& LinkEnded() { return m_linkEnded; }

  // Any thread: sends code to the client if it has greeted.
  void SendStatus(int32_t code);
  void SetNotifyWindow(platform::HWND wnd) { m_notifyWnd.Set(wnd); }
  bool PeerReady() const { return m_peerReady.load() != 0; }
  // The drop window forgets the greeting when its client quits.
  void ClearPeerReady() { m_peerReady.store(0); }

  // Parses one message, stores its cookies in COptions and returns its type
  // (-1 when it has none); with logText, also what may be logged of it (cookie
  // values masked). Link thread.
  int ParseClientMessage(const std::string& text, std::string* logText = nullptr);
  // Posts the window message of a type to m_notifyWnd. Link thread.
  void DispatchClientMessage(int type);

  // Where socket owners are looked up (tests point it at a table of their own).
  void SetSocketTablePath(const std::string& path) { m_socketTable = path; }

  platform::Event m_startEvent{false, false};  // start-up waits on it

 protected:
  void WorkerMain() override;
  void WakeWorker() override { m_wakeEvent.Set(); }

 private:
  enum class Step { kGoOn, kBroken, kEnd };

  void LinkLoop();  // link thread
  Step OnReadable(peer::LinkSocket& link, peer::MessageFramer& framer, char* buffer);
  void HandleMessage(peer::LinkSocket& link, const std::string& text);
  Step SendPendingStatus(peer::LinkSocket& link);
  void Reply(peer::LinkSocket& link, const char* code);
  void OnPeerClosed();

  NotifyTarget m_notifyWnd;
  platform::Event m_statusEvent{false, false};
  std::atomic<int32_t> m_statusCode{15};
  std::atomic<uint8_t> m_peerReady{0};

  const uint16_t m_port;
  std::string m_socketTable;
  platform::Event m_wakeEvent{true, false};  // set by the owner's stop only
  platform::Event m_linkEnded{true, false};
  bool m_startAnswered = false;          // link thread only
  std::vector<std::string> m_dropPaths;  // link thread only: paths of the last type 20
};
