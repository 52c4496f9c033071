// The soak run's side of the viewers' control channel (see soak_viewers_main.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net_address.h"
#include "udp_endpoint.h"

namespace soak {

// The columns of one viewer's counts.
enum Field { kSent, kCompleted, kResent, kLost, kFragments, kDropped, kVideo, kFieldCount };

class ViewersControl {
 public:
  bool Open(uint16_t port);
  // The reply's words; empty when the program does not answer.
  std::vector<std::string> Ask(const std::string& command);
  // One row of kFieldCount numbers per viewer.
  bool Counts(size_t viewers, std::vector<std::vector<uint64_t>>* out);

 private:
  standins::UdpEndpoint endpoint_;
  lantern::NetAddress to_;
};

}  // namespace soak
