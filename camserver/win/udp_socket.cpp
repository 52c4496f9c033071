#include "udp_socket.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

#include "local_address_win.h"

namespace lantern {

namespace {

sockaddr_in ToSockaddr(const NetAddress& a) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(a.port);
  sa.sin_addr.s_addr = htonl(a.ip);
  return sa;
}

}  // namespace

bool ResolveHost(const char* host, uint32_t* ip) {
  if (host == nullptr || *host == '\0') return false;
  if (ParseDottedIp(host, ip)) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* result = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &result) != 0 || result == nullptr) return false;
  *ip = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(result);
  return true;
}

UDP_Socket::UDP_Socket(UdpReceiver* owner) : m_owner(owner) {}

UDP_Socket::~UDP_Socket() {
  CloseSocket();
  OutputDebugStringA("~UDP_Socket() successful \n");
}

SOCKET UDP_Socket::CreateSocket() {
  if (!m_pRecvBuffer) m_pRecvBuffer = new uint8_t[kReceiveBufferSize];
  if (!m_pStop) m_pStop = new StopEvent();
  if (m_socket == INVALID_SOCKET) {
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket != INVALID_SOCKET) StartThread(true);
  }
  return m_socket;
}

int UDP_Socket::SetDestination(const char* host, unsigned short port) {
  if (m_socket == INVALID_SOCKET || host == nullptr) return 0;
  std::snprintf(m_host, sizeof m_host, "%s", host);
  uint32_t ip = 0;
  if (!ResolveHost(m_host, &ip)) return 0;
  m_destination = NetAddress{ip, port};
  return 1;
}

int UDP_Socket::SendToDefault(const void* data, int length) {
  return SendTo(data, length, m_destination);
}

int UDP_Socket::SendTo(const void* data, int length, const NetAddress& to) {
  if (m_socket == INVALID_SOCKET) return -1;
  sockaddr_in sa = ToSockaddr(to);
  return ::sendto(m_socket, static_cast<const char*>(data), length, 0,
                  reinterpret_cast<sockaddr*>(&sa), sizeof sa);
}

void UDP_Socket::GetLocalAddress(char* text, size_t size, uint32_t* port, const char* reference) {
  lantern::GetLocalAddress(m_socket, text, size, port, reference);
}

void UDP_Socket::CloseSocket() {
  char line[64];
  std::snprintf(line, sizeof line, "udp close socket sockid:%d\n", static_cast<int>(m_socket));
  OutputDebugStringA(line);
  if (threadId() != 0) {
    m_pStop->Set();
    JoinThread();
    ClearThreadId();
  }
  if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  delete m_pStop;
  m_pStop = nullptr;
  delete[] m_pRecvBuffer;
  m_pRecvBuffer = nullptr;
}

unsigned UDP_Socket::ThreadBody(void*) {
  while (!m_pStop->Wait(1) && m_socket != INVALID_SOCKET) {
    for (int i = 0; i < 50; ++i) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(m_socket, &readable);
      timeval timeout{0, 50};
      if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) continue;
      sockaddr_in from{};
      int fromLength = sizeof from;
      int n = recvfrom(m_socket, reinterpret_cast<char*>(m_pRecvBuffer),
                       static_cast<int>(kReceiveBufferSize), 0,
                       reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (n <= 0) continue;  // oversized or failed datagrams are dropped
      NetAddress sender{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
      m_owner->OnReceive(m_pRecvBuffer, static_cast<size_t>(n), 2, sender);
    }
  }
  return 0;
}

}  // namespace lantern
