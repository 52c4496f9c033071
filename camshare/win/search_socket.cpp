#include "search_socket.h"

#include <atomic>

namespace camshare::win {

namespace {
std::atomic<int> g_failBroadcasts{0};
}  // namespace

void SearchSocket::FailBroadcastsForTesting(int count) { g_failBroadcasts = count; }
int SearchSocket::BroadcastFailuresToCome() { return g_failBroadcasts.load(); }

SearchSocket::~SearchSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool SearchSocket::Open(uint16_t port) {
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return false;
  BOOL on = TRUE;
  if (setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0) {
    return false;
  }
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) return true;
  local.sin_port = 0;
  return bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

uint16_t SearchSocket::LocalPort() const {
  sockaddr_in local = {};
  int length = sizeof local;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

bool SearchSocket::Broadcast(const uint8_t* data, size_t size, uint16_t port) {
  for (int left = g_failBroadcasts.load(); left > 0;) {
    if (g_failBroadcasts.compare_exchange_weak(left, left - 1)) {
      WSASetLastError(WSAENETUNREACH);
      return false;
    }
  }
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  to.sin_port = htons(port);
  int sent = sendto(socket_, reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
                    reinterpret_cast<sockaddr*>(&to), sizeof to);
  return sent == static_cast<int>(size);
}

int SearchSocket::WaitReadable(int timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int r = select(0, &readable, nullptr, nullptr, &wait);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
}

SearchSocket::Receive SearchSocket::ReceiveOne(uint8_t* buffer, size_t size, size_t* received) {
  sockaddr_in from = {};
  int fromLength = sizeof from;
  int n = recvfrom(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                   reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n == SOCKET_ERROR) {
    int error = WSAGetLastError();
    if (error == WSAECONNRESET || error == WSAEMSGSIZE) return Receive::kSkip;
    return Receive::kFailed;
  }
  if (n == 0) return Receive::kSkip;
  *received = static_cast<size_t>(n);
  return Receive::kDatagram;
}

}  // namespace camshare::win
