#include "standin_args.h"

#include <gtest/gtest.h>

namespace {

using standins::ParseBounded;
using standins::ParseLoopbackAddress;

TEST(StandinArgs, ServerMustBeLoopbackWithAPort) {
  lantern::NetAddress a;
  ASSERT_TRUE(ParseLoopbackAddress("127.0.0.1:7000", &a));
  EXPECT_EQ(a.ip, 0x7F000001u);
  EXPECT_EQ(a.port, 7000);
  EXPECT_TRUE(ParseLoopbackAddress("127.200.3.4:1", &a));
  EXPECT_FALSE(ParseLoopbackAddress("10.0.0.1:7000", &a));
  EXPECT_FALSE(ParseLoopbackAddress("128.0.0.1:7000", &a));
  EXPECT_FALSE(ParseLoopbackAddress("0.0.0.0:7000", &a));
  EXPECT_FALSE(ParseLoopbackAddress("localhost:7000", &a));
  EXPECT_FALSE(ParseLoopbackAddress("127.0.0.1", &a));
  EXPECT_FALSE(ParseLoopbackAddress("127.0.0.1:0", &a));
  EXPECT_FALSE(ParseLoopbackAddress("127.0.0.1:65536", &a));
  EXPECT_FALSE(ParseLoopbackAddress("127.0.0.1:-5", &a));
  EXPECT_FALSE(ParseLoopbackAddress("127.0.0.1:7000x", &a));
}

TEST(StandinArgs, NumbersAreBounded) {
  long v = 0;
  EXPECT_TRUE(ParseBounded("600", 1, 86400, &v));
  EXPECT_EQ(v, 600);
  EXPECT_FALSE(ParseBounded("0", 1, 86400, &v));
  EXPECT_FALSE(ParseBounded("86401", 1, 86400, &v));
  EXPECT_FALSE(ParseBounded("", 1, 10, &v));
  EXPECT_FALSE(ParseBounded("1e3", 1, 10000, &v));
  EXPECT_FALSE(ParseBounded("99999999999999", 1, 10, &v));
}

}  // namespace
