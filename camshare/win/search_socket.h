// The search thread's UDP socket: broadcast enabled, bound to port 10000 or, when that
// port is taken, to a port the system chooses.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>

namespace camshare::win {

class SearchSocket {
 public:
  enum class Receive { kDatagram, kSkip, kFailed };

  SearchSocket() = default;
  ~SearchSocket();
  SearchSocket(const SearchSocket&) = delete;
  SearchSocket& operator=(const SearchSocket&) = delete;

  bool Open(uint16_t port);
  uint16_t LocalPort() const;
  // True when the whole datagram went to 255.255.255.255:port.
  bool Broadcast(const uint8_t* data, size_t size, uint16_t port);
  // For tests: the next `count` broadcasts of any search socket fail as they do while the
  // network is not up yet; how many of them are still to come.
  static void FailBroadcastsForTesting(int count);
  static int BroadcastFailuresToCome();
  // 1 readable, 0 time-out, -1 failure.
  int WaitReadable(int timeoutMs);
  // kSkip for what is no fault of the socket: an empty datagram, a reset reported for an
  // earlier send, a datagram larger than the buffer.
  Receive ReceiveOne(uint8_t* buffer, size_t size, size_t* received);

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace camshare::win
