#include "local_address.h"

#include <gtest/gtest.h>

#include <vector>

namespace lantern {
namespace {

constexpr uint32_t kLan = kIfUp | kIfBroadcast | kIfMulticast;

uint32_t Ip(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

LocalInterface If(uint32_t flags, uint32_t address, uint32_t mask) {
  LocalInterface i;
  i.flags = flags;
  i.address = address;
  i.mask = mask;
  return i;
}

// --- interface choice ---------------------------------------------------------------------

TEST(ChooseLocalAddress, PicksTheInterfaceOnTheReferenceNetwork) {
  std::vector<LocalInterface> list = {
      If(kLan, Ip(10, 0, 0, 7), Ip(255, 0, 0, 0)),
      If(kLan, Ip(192, 168, 1, 20), Ip(255, 255, 255, 0)),
  };
  EXPECT_EQ(ChooseLocalAddress(list, Ip(192, 168, 1, 1)), Ip(192, 168, 1, 20));
  EXPECT_EQ(ChooseLocalAddress(list, Ip(10, 200, 3, 4)), Ip(10, 0, 0, 7));
}

TEST(ChooseLocalAddress, NoMatchingNetworkGivesNothing) {
  std::vector<LocalInterface> list = {If(kLan, Ip(192, 168, 1, 20), Ip(255, 255, 255, 0))};
  EXPECT_FALSE(ChooseLocalAddress(list, Ip(192, 168, 2, 1)).has_value());
  EXPECT_FALSE(ChooseLocalAddress({}, Ip(192, 168, 1, 1)).has_value());
}

TEST(ChooseLocalAddress, SkipsLoopbackDownAndIncapableInterfaces) {
  const uint32_t mask = Ip(255, 255, 255, 0);
  const uint32_t ref = Ip(192, 168, 1, 1);
  std::vector<LocalInterface> list = {
      If(kLan | kIfLoopback, Ip(192, 168, 1, 2), mask),
      If(kIfBroadcast | kIfMulticast, Ip(192, 168, 1, 3), mask),  // down
      If(kIfUp | kIfMulticast, Ip(192, 168, 1, 4), mask),         // no broadcast
      If(kIfUp | kIfBroadcast, Ip(192, 168, 1, 5), mask),         // no multicast
  };
  EXPECT_FALSE(ChooseLocalAddress(list, ref).has_value());
  list.push_back(If(kLan | kIfPointToPoint, Ip(192, 168, 1, 6), mask));
  EXPECT_EQ(ChooseLocalAddress(list, ref), Ip(192, 168, 1, 6));
}

TEST(ChooseLocalAddress, LoopbackReferenceFindsNoLoopbackInterface) {
  std::vector<LocalInterface> list = {
      If(kIfUp | kIfLoopback | kIfMulticast, Ip(127, 0, 0, 1), Ip(255, 0, 0, 0)),
      If(kLan, Ip(192, 168, 1, 20), Ip(255, 255, 255, 0)),
  };
  EXPECT_FALSE(ChooseLocalAddress(list, Ip(127, 0, 0, 1)).has_value());
}

TEST(ChooseLocalAddress, LargestMaskedValueWins) {
  const uint32_t ref = Ip(172, 16, 5, 9);
  std::vector<LocalInterface> list = {
      If(kLan, Ip(172, 16, 200, 1), Ip(255, 255, 0, 0)),    // masked 172.16.0.0
      If(kLan, Ip(172, 16, 5, 77), Ip(255, 255, 255, 0)),   // masked 172.16.5.0
      If(kLan, Ip(172, 20, 0, 1), Ip(255, 0, 0, 0)),        // masked 172.0.0.0
  };
  EXPECT_EQ(ChooseLocalAddress(list, ref), Ip(172, 16, 5, 77));
}

TEST(ChooseLocalAddress, ComparesMaskedValuesUnsigned) {
  // 200.x masked is above 0x80000000: a signed comparison would rank it below 10.x.
  const uint32_t ref = Ip(200, 1, 1, 1);
  std::vector<LocalInterface> list = {
      If(kLan, Ip(10, 1, 1, 2), 0),  // mask 0 matches every reference, masked value 0
      If(kLan, Ip(200, 1, 1, 5), Ip(255, 255, 255, 0)),
  };
  EXPECT_EQ(ChooseLocalAddress(list, ref), Ip(200, 1, 1, 5));
}

TEST(ChooseLocalAddress, FirstWinsATie) {
  const uint32_t mask = Ip(255, 255, 255, 0);
  std::vector<LocalInterface> list = {
      If(kLan, Ip(192, 168, 1, 30), mask),
      If(kLan, Ip(192, 168, 1, 40), mask),
  };
  EXPECT_EQ(ChooseLocalAddress(list, Ip(192, 168, 1, 1)), Ip(192, 168, 1, 30));
  std::swap(list[0], list[1]);
  EXPECT_EQ(ChooseLocalAddress(list, Ip(192, 168, 1, 1)), Ip(192, 168, 1, 40));
}

TEST(ChooseLocalAddress, FirstWinsATieAtMaskedValueZero) {
  std::vector<LocalInterface> list = {
      If(kLan, Ip(10, 0, 0, 1), 0),
      If(kLan, Ip(10, 0, 0, 2), 0),
  };
  EXPECT_EQ(ChooseLocalAddress(list, Ip(8, 8, 8, 8)), Ip(10, 0, 0, 1));
}

TEST(ChooseFallbackAddress, FirstInterfaceThatCouldCarryTheTraffic) {
  const uint32_t mask = Ip(255, 255, 255, 0);
  std::vector<LocalInterface> list = {
      If(kIfUp | kIfLoopback | kIfMulticast, Ip(127, 0, 0, 1), Ip(255, 0, 0, 0)),
      If(kIfBroadcast | kIfMulticast, Ip(192, 168, 1, 3), mask),  // down
      If(kIfUp | kIfBroadcast, Ip(192, 168, 1, 5), mask),         // no multicast
  };
  EXPECT_FALSE(ChooseFallbackAddress(list).has_value());
  EXPECT_FALSE(ChooseFallbackAddress({}).has_value());
  list.push_back(If(kLan, Ip(10, 213, 7, 1), mask));
  list.push_back(If(kLan, Ip(10, 9, 9, 9), mask));
  EXPECT_EQ(ChooseFallbackAddress(list), Ip(10, 213, 7, 1));
}

// --- reference choice ---------------------------------------------------------------------

TEST(ChooseRegistrationReference, HintComesFirst) {
  EXPECT_EQ(ChooseRegistrationReference("10.1.2.3", {"192.168.1.1"}), "10.1.2.3");
}

TEST(ChooseRegistrationReference, ElseTheFirstAdapterWithAGateway) {
  EXPECT_EQ(ChooseRegistrationReference("", {"", "0.0.0.0", "192.168.1.1", "10.0.0.1"}),
            "192.168.1.1");
  EXPECT_EQ(ChooseRegistrationReference(nullptr, {"172.16.0.1"}), "172.16.0.1");
}

TEST(ChooseRegistrationReference, NothingWithoutHintOrGateway) {
  EXPECT_FALSE(ChooseRegistrationReference("", {}).has_value());
  EXPECT_FALSE(ChooseRegistrationReference(nullptr, {"", "0.0.0.0"}).has_value());
}

}  // namespace
}  // namespace lantern
