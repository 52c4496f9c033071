// TCP to a camera: address lookup, a connect with a time limit, whole sends.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quilgate::win {

// Keeps Winsock started while the object lives.
class SocketsStarted {
 public:
  SocketsStarted();
  ~SocketsStarted();
  SocketsStarted(const SocketsStarted&) = delete;
  SocketsStarted& operator=(const SocketsStarted&) = delete;

 private:
  bool started_;
};

// A dotted address, else the first IPv4 address of the host name; network order. False
// when neither works.
bool ResolveHost(const char* host, uint32_t* address);
// A connected blocking socket, or INVALID_SOCKET when the connect fails or takes longer.
// `giveUp`, when given, is asked about every 10 ms while the connect waits; true abandons it.
SOCKET ConnectWithin(uint32_t address, uint16_t port, DWORD timeoutMs,
                     const std::function<bool()>& giveUp = nullptr);
bool SendAll(SOCKET s, const void* data, size_t size);
// 1 readable, 0 nothing within the wait, -1 an error.
int WaitReadable(SOCKET s, long microseconds);

}  // namespace quilgate::win
