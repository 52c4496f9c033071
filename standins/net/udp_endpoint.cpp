#include "udp_endpoint.h"

#include <chrono>

namespace standins {

namespace {
// Larger than any UDP payload, so nothing is cut short and everything gets recorded whole.
constexpr size_t kReceiveBuffer = 65536;
}  // namespace

UdpEndpoint::~UdpEndpoint() { Close(); }

bool UdpEndpoint::Open(uint16_t port) {
  Close();
  shim::SocketHandle s = shim::OpenUdp();
  if (s == shim::kNoSocket) return false;
  uint16_t bound = 0;
  if (!shim::Bind(s, kLoopbackIp, port) || !shim::LocalPort(s, &bound) || bound == 0) {
    shim::Close(s);
    return false;
  }
  socket_ = s;
  port_ = bound;
  buffer_.assign(kReceiveBuffer, 0);
  return true;
}

void UdpEndpoint::Close() {
  if (socket_ == shim::kNoSocket) return;
  shim::Close(socket_);
  socket_ = shim::kNoSocket;
  port_ = 0;
}

bool UdpEndpoint::SendTo(const void* data, size_t length, const lantern::NetAddress& to) {
  if (!IsOpen() || !IsLoopback(to.ip) || to.port == 0) return false;
  if (length > 0 && data == nullptr) return false;
  long sent = shim::SendTo(socket_, data, length, to.ip, to.port);
  return sent >= 0 && static_cast<size_t>(sent) == length;
}

std::optional<ReceivedDatagram> UdpEndpoint::Receive(int timeoutMs) {
  if (!IsOpen()) return std::nullopt;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    const int ready = shim::WaitReadable(socket_, wait);
    if (ready < 0) return std::nullopt;
    if (ready > 0) {
      uint32_t ip = 0;
      uint16_t port = 0;
      long n = shim::ReceiveFrom(socket_, buffer_.data(), buffer_.size(), &ip, &port);
      if (n >= 0) {
        ReceivedDatagram d;
        d.bytes.assign(buffer_.begin(), buffer_.begin() + n);
        d.from = {ip, port};
        return d;
      }
      // A failed receive (e.g. a stray network error report) is skipped; keep waiting.
    }
    if (Clock::now() >= deadline) return std::nullopt;
  }
}

}  // namespace standins
