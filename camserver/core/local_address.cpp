#include "local_address.h"

namespace lantern {

namespace {

bool Qualifies(const LocalInterface& i) {
  constexpr uint32_t kRequired = kIfUp | kIfBroadcast | kIfMulticast;
  return (i.flags & kRequired) == kRequired && (i.flags & kIfLoopback) == 0;
}

}  // namespace

std::optional<uint32_t> ChooseLocalAddress(const std::vector<LocalInterface>& interfaces,
                                           uint32_t reference) {
  std::optional<uint32_t> chosen;
  uint32_t best_masked = 0;
  for (const LocalInterface& i : interfaces) {
    if (!Qualifies(i)) continue;
    if ((i.address & i.mask) != (reference & i.mask)) continue;
    const uint32_t masked = i.address & i.mask;
    if (!chosen || masked > best_masked) {
      chosen = i.address;
      best_masked = masked;
    }
  }
  return chosen;
}

std::optional<uint32_t> ChooseFallbackAddress(const std::vector<LocalInterface>& interfaces) {
  for (const LocalInterface& i : interfaces)
    if (Qualifies(i)) return i.address;
  return std::nullopt;
}

std::optional<std::string> ChooseRegistrationReference(const char* hint,
                                                       const std::vector<std::string>& gateways) {
  if (hint != nullptr && hint[0] != '\0') return std::string(hint);
  for (const std::string& gateway : gateways) {
    // The adapter list shows "0.0.0.0" for an adapter without a gateway.
    if (!gateway.empty() && gateway != "0.0.0.0") return gateway;
  }
  return std::nullopt;
}

}  // namespace lantern
