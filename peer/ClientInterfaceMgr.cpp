#include "peer/ClientInterfaceMgr.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "log/KvLog.h"
#include "peer/SocketOwner.h"
#include "session/COptions.h"
#include "session/LaunchOptions.h"
#include "session/Messages.h"

namespace {

constexpr const char* kLog = "ClientInterfaceMgr";

}  // namespace

ClientInterfaceMgr& ClientInterfaceMgr::Instance() {
  return FTL::ProcessInstance<ClientInterfaceMgr>(
      static_cast<uint16_t>(LaunchOptions::Current().linkPort));
}

ClientInterfaceMgr::ClientInterfaceMgr(uint16_t port)
    : CSingleWorkerMgr(kLog, log4cplus::TRACE_LOG_LEVEL, kTaskNumber),
      m_port(port),
      m_socketTable(peer::kTcpTablePath) {}

ClientInterfaceMgr::~ClientInterfaceMgr() {
  StopAndJoinWorkers();
  m_notifyWnd.Set(nullptr);
}

void ClientInterfaceMgr::WorkerMain() {
  // Set however the loop ends, so that start-up never waits for a dead link.
  struct EndMark {
    platform::Event& ended;
    ~EndMark() { ended.Set(); }
  } mark{m_linkEnded};
  LinkLoop();
}

void ClientInterfaceMgr::SendStatus(int32_t code) {
  if (m_peerReady.load() != 1) return;
  m_statusCode.store(code);
  m_statusEvent.Set();
}

int ClientInterfaceMgr::ParseClientMessage(const std::string& text, std::string* logText) {
  peer::ClientMessage message = peer::ClientMessage::Parse(text, logText);
  if (message.type == peer::ClientMessage::kNoType) return message.type;
  if (message.hasCookies) {
    COptions& options = COptions::Instance();
    options.ClearCookies();
    for (peer::CookieRecord& record : message.cookies) options.AddCookie(std::move(record));
    options.BuildCookieHeader();
    options.BuildSessionParam();
  }
  m_dropPaths = std::move(message.paths);
  return message.type;
}

void ClientInterfaceMgr::DispatchClientMessage(int type) {
  const platform::HWND target = m_notifyWnd.Get();
  switch (type) {
    case peer::ClientMessage::kQuit:
      COptions::Instance().m_peerEvent.store(PeerEvent::kQuit);
      platform::PostMessage(target, msg::WM_CLIENT_EVENT, 0, 0);
      break;
    case peer::ClientMessage::kToggle:
      platform::PostMessage(target, msg::WM_TOGGLE_DROP, 0, 0);
      break;
    case peer::ClientMessage::kShow:
      platform::PostMessage(target, msg::WM_SHOW_MAIN, 0, 0);
      break;
    case peer::ClientMessage::kLogout:
      platform::PostMessage(target, msg::WM_CLIENT_LOGOUT, 0, 0);
      break;
    case peer::ClientMessage::kLogin:
      platform::PostMessage(target, msg::WM_CLIENT_LOGIN, 0, 0);
      break;
    case peer::ClientMessage::kDropPaths: {
      if (m_dropPaths.empty()) break;
      auto record = std::make_unique<msg::DropPathsRecord>();
      record->paths = std::move(m_dropPaths);
      msg::PostRecord(target, msg::WM_DROP_PATHS, std::move(record));
      break;
    }
    default:
      break;
  }
  m_dropPaths.clear();
}

void ClientInterfaceMgr::Reply(peer::LinkSocket& link, const char* code) {
  if (!link.Send(code, std::strlen(code))) KV_ERROR(kLog, "CIMG could not send the reply %s", code);
}

void ClientInterfaceMgr::HandleMessage(peer::LinkSocket& link, const std::string& text) {
  const bool debug = kvlog::Get(kLog).isEnabledFor(log4cplus::DEBUG_LOG_LEVEL);
  std::string logged;
  const int type = ParseClientMessage(text, debug ? &logged : nullptr);
  if (debug) {
    KV_DEBUG(kLog, "CIMG received message: %s", logged.c_str());
    KV_DEBUG(kLog, "CIMG message type: %d", type);
  }
  switch (type) {
    case peer::ClientMessage::kNoType:
      return;
    case peer::ClientMessage::kHello:
      Reply(link, "1");
      m_peerReady.store(1);
      return;
    case peer::ClientMessage::kStart:
      // The gate opens once; later starts, like starts after start-up, get nothing.
      if (m_startAnswered || COptions::Instance().m_workState.load() != WorkState::kNotStarted)
        return;
      m_startAnswered = true;
      Reply(link, "7");
      m_startEvent.Set();
      return;
    default:
      DispatchClientMessage(type);
  }
}

void ClientInterfaceMgr::OnPeerClosed() {
  COptions::Instance().m_peerEvent.store(PeerEvent::kQuit);
  platform::PostMessage(m_notifyWnd.Get(), msg::WM_CLIENT_EVENT, 0, 0);
}

ClientInterfaceMgr::Step ClientInterfaceMgr::OnReadable(peer::LinkSocket& link,
                                                        peer::MessageFramer& framer, char* buffer) {
  size_t received = 0;
  int error = 0;
  switch (link.Receive(buffer, kBufferSize - 1, &received, &error)) {
    case peer::LinkSocket::Read::kNothing:
      return Step::kGoOn;
    case peer::LinkSocket::Read::kClosed:
      KV_TRACE(kLog, "ClientInterfaceMgr: peer is down, exit");
      OnPeerClosed();
      return Step::kEnd;
    case peer::LinkSocket::Read::kFailed:
      KV_TRACE(kLog, "ClientInterfaceMgr: peer is down, exit");
      KV_ERROR(kLog, "CIMG connection failed: %s", std::strerror(error));
      // A reset client (crashed, or closed with our replies unread) is as
      // gone as one that closed: nobody could send the quit any more.
      if (error == ECONNRESET) {
        OnPeerClosed();
        return Step::kEnd;
      }
      return Step::kBroken;
    case peer::LinkSocket::Read::kData:
      break;
  }
  framer.Feed(buffer, received);
  std::string text;
  size_t dropped = 0;
  for (;;) {
    const peer::MessageFramer::Result r = framer.Next(&text, &dropped);
    if (r == peer::MessageFramer::Result::kNone) return Step::kGoOn;
    if (r == peer::MessageFramer::Result::kDropped) {
      KV_ERROR(kLog, "CIMG dropped a message longer than %zu bytes",
               peer::MessageFramer::kMaxMessage);
      continue;
    }
    HandleMessage(link, text);
  }
}

ClientInterfaceMgr::Step ClientInterfaceMgr::SendPendingStatus(peer::LinkSocket& link) {
  if (platform::WaitForSingleObject(m_statusEvent, 0) != platform::kWaitObject0) {
    return Step::kGoOn;
  }
  char text[4];
  const int n = std::snprintf(text, sizeof text, "%d", m_statusCode.load());
  const size_t length = n < 0 ? 0 : std::strlen(text);
  return link.Send(text, length) ? Step::kGoOn : Step::kEnd;
}

void ClientInterfaceMgr::LinkLoop() {
  peer::LinkSocket link;
  if (!link.Listen(m_port)) return;
  if (!link.AcceptOwnClient(m_wakeEvent.Fd(), m_socketTable)) return;
  link.StopListening();
  char buffer[kBufferSize];
  peer::MessageFramer framer;
  // A connection that failed with an error is no longer read (it would stay
  // readable forever); the link lives on until a status send fails.
  bool broken = false;
  while (!StopRequested()) {
    pollfd p[3] = {{broken ? -1 : link.connection(), POLLIN, 0},
                   {m_statusEvent.Fd(), POLLIN, 0},
                   {m_wakeEvent.Fd(), POLLIN, 0}};
    if (poll(p, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[0].revents != 0) {
      const Step step = OnReadable(link, framer, buffer);
      if (step == Step::kEnd) return;
      broken = step == Step::kBroken;
    }
    if (p[1].revents != 0 && SendPendingStatus(link) == Step::kEnd) return;
  }
}
