// Which local address a camera registers with the rendezvous server when its socket is
// bound to the wildcard address: the interface on the same network as a reference address
// (the configured hint, else the default gateway), or on a PC without a default gateway the
// first interface that could carry the traffic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lantern {

// Interface flags, same values as the socket layer's IFF_* bits.
enum InterfaceFlags : uint32_t {
  kIfUp = 0x01,
  kIfBroadcast = 0x02,
  kIfLoopback = 0x04,
  kIfPointToPoint = 0x08,
  kIfMulticast = 0x10,
};

struct LocalInterface {
  uint32_t flags = 0;
  uint32_t address = 0;  // host order
  uint32_t mask = 0;     // host order
};

// Among interfaces that are up, broadcast- and multicast-capable and not loop-back, those
// whose address equals `reference` under the interface's mask; the one with the largest
// masked value wins, the first on a tie. Nothing when none qualifies.
std::optional<uint32_t> ChooseLocalAddress(const std::vector<LocalInterface>& interfaces,
                                           uint32_t reference);

// Without a reference: the first interface that is up, broadcast- and multicast-capable and
// not loop-back. Nothing when none qualifies.
std::optional<uint32_t> ChooseFallbackAddress(const std::vector<LocalInterface>& interfaces);

// The reference for the choice above: `hint` when not empty, else the first gateway in
// adapter order that is set ("" and "0.0.0.0" mean none). Nothing when neither exists; the
// camera then registers with the fallback address.
std::optional<std::string> ChooseRegistrationReference(const char* hint,
                                                       const std::vector<std::string>& gateways);

}  // namespace lantern
