#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/LoopbackSocket.h"
#include "common/TempDir.h"
#include "peer/SocketOwner.h"

namespace {

sockaddr_in Address(const char* ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, ip, &a.sin_addr);
  return a;
}

constexpr const char* kHeader =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout "
    "inode\n";

TEST(SocketOwner, FindsTheOwnerOfTheSocketWithBothEndsMatching) {
  kvtest::TempDir dir;
  const std::string table = dir.WriteFile(
      "tcp", std::string(kHeader) +
                 // the listener, the server's end (owned by 1000), the client's end (2000)
                 "   0: 0100007F:5A47 00000000:0000 0A 00000000:00000000 00:00000000 00000000  "
                 "1000        0 11 1 0000000000000000 100 0 0 10 0\n"
                 "   1: 0100007F:5A47 0100007F:D431 01 00000000:00000000 00:00000000 00000000  "
                 "1000        0 12 1 0000000000000000 20 4 30 10 -1\n"
                 "   2: 0100007F:D431 0100007F:5A47 01 00000000:00000000 00:00000000 00000000  "
                 "2000        0 13 1 0000000000000000 20 4 30 10 -1\n");
  uid_t owner = 0;
  ASSERT_TRUE(peer::FindSocketOwner(table, Address("127.0.0.1", 0xD431),
                                    Address("127.0.0.1", 0x5A47), &owner));
  EXPECT_EQ(owner, 2000u);
  ASSERT_TRUE(peer::FindSocketOwner(table, Address("127.0.0.1", 0x5A47),
                                    Address("127.0.0.1", 0xD431), &owner));
  EXPECT_EQ(owner, 1000u);
  EXPECT_FALSE(peer::FindSocketOwner(table, Address("127.0.0.2", 0xD431),
                                     Address("127.0.0.1", 0x5A47), &owner));
  EXPECT_FALSE(peer::FindSocketOwner(dir.Sub("missing"), Address("127.0.0.1", 0xD431),
                                     Address("127.0.0.1", 0x5A47), &owner));
}

TEST(SocketOwner, RealLoopbackConnectionBelongsToThisUser) {
  kvtest::LoopbackListener listener;
  ASSERT_TRUE(listener.Open());
  kvtest::LoopbackClient client;
  ASSERT_TRUE(client.Connect(listener.port()));
  const int server = listener.Accept(2000);
  ASSERT_GE(server, 0);
  sockaddr_in mine{};
  sockaddr_in theirs{};
  socklen_t len = sizeof mine;
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&mine), &len), 0);
  len = sizeof theirs;
  ASSERT_EQ(getpeername(server, reinterpret_cast<sockaddr*>(&theirs), &len), 0);
  uid_t owner = 12345;
  ASSERT_TRUE(peer::FindSocketOwner(peer::kTcpTablePath, theirs, mine, &owner));
  EXPECT_EQ(owner, getuid());
  close(server);
}

}  // namespace
