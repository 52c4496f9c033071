#include "local_address_win.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lantern {
namespace {

class LocalAddressWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override {
    for (SOCKET s : sockets_) closesocket(s);
    WSACleanup();
  }
  SOCKET Udp() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    EXPECT_NE(s, INVALID_SOCKET);
    sockets_.push_back(s);
    return s;
  }
  static sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
  }
  std::vector<SOCKET> sockets_;
};

TEST_F(LocalAddressWinTest, UnboundSocketHasNoAddressAndPortZero) {
  SOCKET s = Udp();
  char text[32];
  std::memset(text, 'x', sizeof text);
  uint32_t port = 1234;
  GetLocalAddress(s, text, sizeof text, &port, "127.0.0.1");
  EXPECT_STREQ(text, "");
  EXPECT_EQ(port, 0u);
}

TEST_F(LocalAddressWinTest, SocketAfterSendHasAPort) {
  SOCKET receiver = Udp();
  sockaddr_in at = Loopback(0);
  ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  int length = sizeof at;
  ASSERT_EQ(getsockname(receiver, reinterpret_cast<sockaddr*>(&at), &length), 0);

  // Like the camera's socket: never bound, it gets its port from the first send.
  SOCKET s = Udp();
  ASSERT_EQ(sendto(s, "probe", 5, 0, reinterpret_cast<sockaddr*>(&at), sizeof at), 5);

  char text[32];
  std::memset(text, 'x', sizeof text);
  uint32_t port = 0;
  GetLocalAddress(s, text, sizeof text, &port, "127.0.0.1");
  EXPECT_NE(port, 0u);
  // Loop-back interfaces never qualify, and no other interface is on 127.0.0.0/8.
  EXPECT_STREQ(text, "");

  // A reference that is not an address finds nothing.
  GetLocalAddress(s, text, sizeof text, &port, "not an address");
  EXPECT_STREQ(text, "");
  EXPECT_NE(port, 0u);
}

TEST_F(LocalAddressWinTest, BoundSocketReportsItsAddress) {
  SOCKET s = Udp();
  sockaddr_in at = Loopback(0);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  int length = sizeof at;
  ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&at), &length), 0);

  char text[32];
  uint32_t port = 0;
  GetLocalAddress(s, text, sizeof text, &port, nullptr);
  EXPECT_STREQ(text, "127.0.0.1");
  EXPECT_EQ(port, ntohs(at.sin_port));
}

TEST_F(LocalAddressWinTest, TextNeverOverrunsItsBuffer) {
  SOCKET s = Udp();
  sockaddr_in at = Loopback(0);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);

  char text[8];
  std::memset(text, 'x', sizeof text);
  GetLocalAddress(s, text, 4, nullptr, nullptr);
  EXPECT_STREQ(text, "127");
  EXPECT_EQ(text[4], 'x');
  GetLocalAddress(s, text, 0, nullptr, nullptr);  // nothing written
  EXPECT_STREQ(text, "127");
  GetLocalAddress(s, nullptr, 16, nullptr, nullptr);
}

TEST(FindRegistrationReference, HintIsTheReference) {
  std::string reference;
  ASSERT_TRUE(FindRegistrationReference("10.20.30.40", &reference));
  EXPECT_EQ(reference, "10.20.30.40");
}

}  // namespace
}  // namespace lantern
