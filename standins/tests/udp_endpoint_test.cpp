#include "udp_endpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using standins::UdpEndpoint;

TEST(UdpEndpoint, BindsAnEphemeralLoopbackPort) {
  UdpEndpoint e;
  ASSERT_TRUE(e.Open());
  EXPECT_TRUE(e.IsOpen());
  EXPECT_NE(e.Port(), 0);
  EXPECT_EQ(e.Address().ip, standins::kLoopbackIp);
  EXPECT_EQ(e.Address().port, e.Port());
}

TEST(UdpEndpoint, DatagramsTravelWholeWithTheirSender) {
  UdpEndpoint a, b;
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());
  std::vector<uint8_t> big(5000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(a.SendTo(big, b.Address()));
  ASSERT_TRUE(a.SendTo("xyz", 3, b.Address()));
  auto first = b.Receive(2000);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->bytes, big);
  EXPECT_EQ(first->from, a.Address());
  auto second = b.Receive(2000);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->bytes, (std::vector<uint8_t>{'x', 'y', 'z'}));
}

TEST(UdpEndpoint, ReceiveTimesOutWithinItsBound) {
  UdpEndpoint e;
  ASSERT_TRUE(e.Open());
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(e.Receive(60).has_value());
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
  EXPECT_GE(ms, 50);
  EXPECT_LT(ms, 1000);
  EXPECT_FALSE(e.Receive(0).has_value());
}

TEST(UdpEndpoint, SendsOnlyToLoopback) {
  UdpEndpoint e;
  ASSERT_TRUE(e.Open());
  EXPECT_FALSE(e.SendTo("x", 1, {0x0A000001, 9}));  // 10.0.0.1
  EXPECT_FALSE(e.SendTo("x", 1, {0x80000001, 9}));  // 128.0.0.1
  EXPECT_FALSE(e.SendTo("x", 1, {standins::kLoopbackIp, 0}));
  EXPECT_TRUE(standins::IsLoopback(0x7F0000FE));
  EXPECT_FALSE(standins::IsLoopback(0x7E000001));
  UdpEndpoint closed;
  EXPECT_FALSE(closed.SendTo("x", 1, e.Address()));
  EXPECT_FALSE(closed.Receive(10).has_value());
}

TEST(UdpEndpoint, GivenPortIsExclusive) {
  UdpEndpoint a, b;
  ASSERT_TRUE(a.Open());
  const uint16_t port = a.Port();
  EXPECT_FALSE(b.Open(port));
  a.Close();
  EXPECT_FALSE(a.IsOpen());
  ASSERT_TRUE(b.Open(port));
  EXPECT_EQ(b.Port(), port);
}

}  // namespace
