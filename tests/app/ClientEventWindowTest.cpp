// The window that takes the link's posts until the drop window exists: what
// ends the message loop and what does not.
#include <gtest/gtest.h>

#include "app/ClientEventWindow.h"
#include "common/LoopbackSocket.h"
#include "peer/ClientInterfaceMgr.h"
#include "session/COptions.h"
#include "session/Messages.h"

namespace {

class ClientEvents : public ::testing::Test {
 protected:
  void SetUp() override { COptions::Instance().m_peerEvent = PeerEvent::kNone; }
  void TearDown() override {
    window_.Detach();
    platform::MessageQueue::Instance().Reset();
    COptions::Instance().m_peerEvent = PeerEvent::kNone;
  }
  // Delivers what is pending; true when that took a quit request.
  static bool Quits() { return !platform::MessageQueue::Instance().DispatchPending(); }

  ClientInterfaceMgr link_{kvtest::FreeLoopbackPort()};
  ClientEventWindow window_{link_};
};

TEST_F(ClientEvents, OnlyAQuitOfTheClientEndsTheLoop) {
  ASSERT_TRUE(window_.Attach());
  EXPECT_FALSE(Quits()) << "nothing happened yet";
  // The link's other posts, and a client event without a quit, go by.
  link_.DispatchClientMessage(11);
  link_.DispatchClientMessage(12);
  link_.DispatchClientMessage(13);
  link_.DispatchClientMessage(14);
  EXPECT_FALSE(Quits());
  link_.DispatchClientMessage(9);
  COptions::Instance().m_peerEvent =
      PeerEvent::kNone;  // taken by someone else before it was handled
  EXPECT_FALSE(Quits());

  link_.DispatchClientMessage(9);  // posts the client event with the peer event 9
  EXPECT_TRUE(Quits());
  EXPECT_EQ(COptions::Instance().m_peerEvent.load(), PeerEvent::kNone) << "the event is taken";
}

TEST_F(ClientEvents, QuitThatCameBeforeTheWindowIsActedOnWhenItIsAttached) {
  link_.DispatchClientMessage(9);  // no window yet: only the peer event tells
  EXPECT_FALSE(Quits());
  EXPECT_EQ(COptions::Instance().m_peerEvent.load(), PeerEvent::kQuit);
  ASSERT_TRUE(window_.Attach());
  EXPECT_TRUE(Quits());
}

TEST_F(ClientEvents, DetachedWindowTakesNoMorePosts) {
  ASSERT_TRUE(window_.Attach());
  window_.Detach();
  link_.DispatchClientMessage(9);
  EXPECT_FALSE(Quits());
  EXPECT_EQ(COptions::Instance().m_peerEvent.load(), PeerEvent::kQuit) << "nobody took it";
}

}  // namespace
