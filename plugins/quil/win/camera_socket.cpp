#include "camera_socket.h"

#include <ws2tcpip.h>

#include <cstring>

namespace quilgate::win {

SocketsStarted::SocketsStarted() {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketsStarted::~SocketsStarted() {
  if (started_) WSACleanup();
}

bool ResolveHost(const char* host, uint32_t* address) {
  if (host == nullptr || host[0] == '\0') return false;
  in_addr dotted;
  if (inet_pton(AF_INET, host, &dotted) == 1) {
    *address = dotted.s_addr;
    return true;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return true;
}

SOCKET ConnectWithin(uint32_t address, uint16_t port, DWORD timeoutMs,
                     const std::function<bool()>& giveUp) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  sockaddr_in to;
  std::memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  to.sin_port = htons(port);
  bool connected = connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    // Waits in slices of 10 ms when someone may give up, else in one.
    const DWORD slice = giveUp ? 10 : timeoutMs;
    const DWORD start = GetTickCount();
    for (;;) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= timeoutMs || (giveUp && giveUp())) break;
      const DWORD wait = timeoutMs - spent < slice ? timeoutMs - spent : slice;
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      timeval tv;
      tv.tv_sec = static_cast<long>(wait / 1000);
      tv.tv_usec = static_cast<long>(wait % 1000) * 1000;
      const int ready = select(0, nullptr, &writable, &failed, &tv);
      if (ready == 0) continue;
      connected = ready > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
      break;
    }
  }
  if (!connected) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return s;
}

bool SendAll(SOCKET s, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    int chunk = size > 65536 ? 65536 : static_cast<int>(size);
    int sent = send(s, p, chunk, 0);
    if (sent == SOCKET_ERROR || sent <= 0) return false;
    p += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int WaitReadable(SOCKET s, long microseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval wait;
  wait.tv_sec = microseconds / 1000000;
  wait.tv_usec = microseconds % 1000000;
  int r = select(0, &readable, nullptr, nullptr, &wait);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
}

}  // namespace quilgate::win
