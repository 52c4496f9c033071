#include "socket_shim.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mutex>
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

namespace standins::shim {

namespace {

#ifdef _WIN32
using Native = SOCKET;
Native ToNative(SocketHandle s) { return static_cast<Native>(s); }
SocketHandle FromNative(Native n) { return n == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(n); }
#else
using Native = int;
Native ToNative(SocketHandle s) { return static_cast<Native>(s); }
SocketHandle FromNative(Native n) { return n < 0 ? kNoSocket : static_cast<SocketHandle>(n); }
#endif

sockaddr_in MakeAddress(uint32_t ip, uint16_t port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(ip);
  return a;
}

}  // namespace

bool StartSockets() {
#ifdef _WIN32
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return started;
#else
  return true;
#endif
}

SocketHandle OpenUdp() {
  if (!StartSockets()) return kNoSocket;
  Native n = socket(AF_INET, SOCK_DGRAM, 0);
  SocketHandle s = FromNative(n);
#ifdef _WIN32
  if (s != kNoSocket) {
    // Otherwise an ICMP "port unreachable" for an earlier send fails the next receive.
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(n, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
             nullptr);
  }
#endif
  return s;
}

bool Bind(SocketHandle s, uint32_t ip, uint16_t port) {
  sockaddr_in a = MakeAddress(ip, port);
  return bind(ToNative(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool LocalPort(SocketHandle s, uint16_t* port) {
  sockaddr_in a;
  socklen_t len = sizeof a;
  std::memset(&a, 0, sizeof a);
  if (getsockname(ToNative(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) return false;
  *port = ntohs(a.sin_port);
  return true;
}

long SendTo(SocketHandle s, const void* data, size_t length, uint32_t ip, uint16_t port) {
  sockaddr_in a = MakeAddress(ip, port);
#ifdef _WIN32
  int r = sendto(ToNative(s), static_cast<const char*>(data), static_cast<int>(length), 0,
                 reinterpret_cast<const sockaddr*>(&a), sizeof a);
  return r == SOCKET_ERROR ? -1 : r;
#else
  ssize_t r = sendto(ToNative(s), data, length, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  return r < 0 ? -1 : static_cast<long>(r);
#endif
}

int WaitReadable(SocketHandle s, int timeoutMs) {
  if (timeoutMs < 0) timeoutMs = 0;
#ifdef _WIN32
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(ToNative(s), &readable);
  timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  int r = select(0, &readable, nullptr, nullptr, &tv);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
#else
  pollfd p;
  p.fd = ToNative(s);
  p.events = POLLIN;
  p.revents = 0;
  int r = poll(&p, 1, timeoutMs);
  if (r < 0) return errno == EINTR ? 0 : -1;
  return r > 0 ? 1 : 0;
#endif
}

long ReceiveFrom(SocketHandle s, void* buffer, size_t size, uint32_t* ip, uint16_t* port) {
  sockaddr_in a;
  socklen_t len = sizeof a;
  std::memset(&a, 0, sizeof a);
#ifdef _WIN32
  int r = recvfrom(ToNative(s), static_cast<char*>(buffer), static_cast<int>(size), 0,
                   reinterpret_cast<sockaddr*>(&a), &len);
  if (r == SOCKET_ERROR) return -1;
#else
  ssize_t r = recvfrom(ToNative(s), buffer, size, 0, reinterpret_cast<sockaddr*>(&a), &len);
  if (r < 0) return -1;
#endif
  *ip = ntohl(a.sin_addr.s_addr);
  *port = ntohs(a.sin_port);
  return static_cast<long>(r);
}

void Abort(SocketHandle s) {
  if (s == kNoSocket) return;
  linger hard;
  hard.l_onoff = 1;
  hard.l_linger = 0;
  setsockopt(ToNative(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
  Close(s);
}

void Close(SocketHandle s) {
  if (s == kNoSocket) return;
#ifdef _WIN32
  closesocket(ToNative(s));
#else
  close(ToNative(s));
#endif
}

namespace {

void SetBlocking(Native n, bool blocking) {
#ifdef _WIN32
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(n, FIONBIO, &nonBlocking);
#else
  int flags = fcntl(n, F_GETFL, 0);
  fcntl(n, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
#endif
}

}  // namespace

SocketHandle OpenTcpListener(uint32_t ip, uint16_t port) {
  if (!StartSockets()) return kNoSocket;
  Native n = socket(AF_INET, SOCK_STREAM, 0);
  SocketHandle s = FromNative(n);
  if (s == kNoSocket) return kNoSocket;
#ifndef _WIN32
  // A camera restarted by a test gets its port back at once.
  int on = 1;
  setsockopt(n, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
  if (!Bind(s, ip, port) || listen(n, 16) != 0) {
    Close(s);
    return kNoSocket;
  }
  return s;
}

SocketHandle Accept(SocketHandle listener, int timeoutMs) {
  if (WaitReadable(listener, timeoutMs) != 1) return kNoSocket;
  Native n = accept(ToNative(listener), nullptr, nullptr);
  SocketHandle s = FromNative(n);
  if (s != kNoSocket) SetBlocking(n, true);
  return s;
}

SocketHandle ConnectTcp(uint32_t ip, uint16_t port, int timeoutMs) {
  if (!StartSockets()) return kNoSocket;
  Native n = socket(AF_INET, SOCK_STREAM, 0);
  SocketHandle s = FromNative(n);
  if (s == kNoSocket) return kNoSocket;
  SetBlocking(n, false);
  sockaddr_in a = MakeAddress(ip, port);
  if (connect(n, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
#ifdef _WIN32
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(n, &writable);
    FD_SET(n, &failed);
    timeval tv;
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    bool connected = WSAGetLastError() == WSAEWOULDBLOCK &&
                     select(0, nullptr, &writable, &failed, &tv) == 1 && FD_ISSET(n, &writable);
#else
    pollfd p;
    p.fd = n;
    p.events = POLLOUT;
    p.revents = 0;
    int error = 0;
    socklen_t length = sizeof error;
    bool connected = errno == EINPROGRESS && poll(&p, 1, timeoutMs) == 1 &&
                     getsockopt(n, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
#endif
    if (!connected) {
      Close(s);
      return kNoSocket;
    }
  }
  SetBlocking(n, true);
  return s;
}

bool SendAll(SocketHandle s, const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
#ifdef _WIN32
    int chunk = length > 65536 ? 65536 : static_cast<int>(length);
    int r = send(ToNative(s), p, chunk, 0);
    if (r == SOCKET_ERROR || r <= 0) return false;
#else
    ssize_t r = send(ToNative(s), p, length, MSG_NOSIGNAL);
    if (r <= 0) return false;
#endif
    p += r;
    length -= static_cast<size_t>(r);
  }
  return true;
}

long Receive(SocketHandle s, void* buffer, size_t size) {
#ifdef _WIN32
  int chunk = size > 65536 ? 65536 : static_cast<int>(size);
  int r = recv(ToNative(s), static_cast<char*>(buffer), chunk, 0);
  return r == SOCKET_ERROR ? -1 : r;
#else
  ssize_t r = recv(ToNative(s), buffer, size, 0);
  return r < 0 ? -1 : static_cast<long>(r);
#endif
}

}  // namespace standins::shim
