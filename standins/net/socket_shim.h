// The one place that knows whether sockets are POSIX or Winsock; callers see plain values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace standins::shim {

using SocketHandle = uintptr_t;
constexpr SocketHandle kNoSocket = ~static_cast<uintptr_t>(0);

// Starts the socket layer once per process; later calls return the first result.
bool StartSockets();

SocketHandle OpenUdp();
// ip and port in host order.
bool Bind(SocketHandle s, uint32_t ip, uint16_t port);
bool LocalPort(SocketHandle s, uint16_t* port);
// Bytes sent, or -1.
long SendTo(SocketHandle s, const void* data, size_t length, uint32_t ip, uint16_t port);
// 1 readable, 0 time-out (or interrupted), -1 error.
int WaitReadable(SocketHandle s, int timeoutMs);
// Bytes received (0 for an empty datagram), or -1.
long ReceiveFrom(SocketHandle s, void* buffer, size_t size, uint32_t* ip, uint16_t* port);
void Close(SocketHandle s);

// TCP. Addresses and ports in host order.
// A listening socket bound to ip:port (port 0: an ephemeral port).
SocketHandle OpenTcpListener(uint32_t ip, uint16_t port);
// The next connection, or kNoSocket after timeoutMs without one (or on an error).
SocketHandle Accept(SocketHandle listener, int timeoutMs);
// A connected socket, or kNoSocket when the connect fails or takes longer than timeoutMs.
SocketHandle ConnectTcp(uint32_t ip, uint16_t port, int timeoutMs);
// Sends everything; false when the peer is gone or a send fails.
bool SendAll(SocketHandle s, const void* data, size_t length);
// Bytes received, 0 when the peer closed, -1 on an error.
long Receive(SocketHandle s, void* buffer, size_t size);
// Closes a connection with a reset instead of an orderly end.
void Abort(SocketHandle s);

}  // namespace standins::shim
