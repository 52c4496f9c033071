// A UDP socket bound to 127.0.0.1 that sends only to loopback addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "net_address.h"
#include "socket_shim.h"

namespace standins {

constexpr uint32_t kLoopbackIp = 0x7F000001;  // 127.0.0.1

// True for 127.0.0.0/8, the only destinations the stand-ins send to.
inline bool IsLoopback(uint32_t ip) { return (ip >> 24) == 127; }

struct ReceivedDatagram {
  std::vector<uint8_t> bytes;
  lantern::NetAddress from;
};

class UdpEndpoint {
 public:
  UdpEndpoint() = default;
  ~UdpEndpoint();
  UdpEndpoint(const UdpEndpoint&) = delete;
  UdpEndpoint& operator=(const UdpEndpoint&) = delete;

  // Binds 127.0.0.1:port (0: an ephemeral port). False when the socket cannot be made or bound.
  bool Open(uint16_t port = 0);
  // Not while another thread is inside Receive.
  void Close();
  bool IsOpen() const { return socket_ != shim::kNoSocket; }
  uint16_t Port() const { return port_; }
  lantern::NetAddress Address() const { return {kLoopbackIp, port_}; }

  // One datagram; false when closed, when `to` is outside 127.0.0.0/8, or when not all went.
  bool SendTo(const void* data, size_t length, const lantern::NetAddress& to);
  bool SendTo(const std::vector<uint8_t>& bytes, const lantern::NetAddress& to) {
    return SendTo(bytes.data(), bytes.size(), to);
  }

  // Waits at most timeoutMs (0: just looks) for one datagram.
  std::optional<ReceivedDatagram> Receive(int timeoutMs);

 private:
  shim::SocketHandle socket_ = shim::kNoSocket;
  uint16_t port_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace standins
