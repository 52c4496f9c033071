// The quil channel's receive thread: one HTTP connection for the channel's life, the
// stream parsed as it arrives. It is stopped only through its message queue (WM_QUIT).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <objbase.h>

#include "quil_video_channel.h"
#include "stream_request.h"

namespace mirage {

namespace {

constexpr int kReceiveSize = 1024;
// Waits for the socket are short so that a quit message is seen within about 10 ms,
// without spinning.
constexpr long kPollMicroseconds = 10000;
constexpr DWORD kConnectTimeoutMs = 10000;

// Drops every waiting message; true when one of them was WM_QUIT.
bool QuitRequested() {
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) quit = true;
  }
  return quit;
}

// The host as a dotted address, else by name lookup; false when neither works.
bool Resolve(const char* host, in_addr* address) {
  if (inet_pton(AF_INET, host, address) == 1) return true;
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

// 1 when the socket became ready within the poll time, 0 when not, -1 on error.
int WaitReady(SOCKET s, bool forWrite) {
  fd_set set, failed;
  FD_ZERO(&set);
  FD_ZERO(&failed);
  FD_SET(s, &set);
  FD_SET(s, &failed);
  timeval wait = {0, kPollMicroseconds};
  int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &wait);
  if (n < 0 || FD_ISSET(s, &failed)) return -1;
  return n > 0 ? 1 : 0;
}

// Connects without blocking the quit check; false on failure, timeout or quit.
bool Connect(SOCKET s, const sockaddr_in& to) {
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK)
    return false;
  const DWORD start = GetTickCount();
  for (;;) {
    int ready = WaitReady(s, true);
    if (ready < 0) return false;
    if (ready > 0) break;
    if (QuitRequested() || GetTickCount() - start > kConnectTimeoutMs) return false;
  }
  u_long blocking = 0;
  ioctlsocket(s, FIONBIO, &blocking);
  return true;
}

bool SendAll(SOCKET s, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

DWORD WINAPI CQuilVideoChannel::ReceiveThread(void* self) {
  static_cast<CQuilVideoChannel*>(self)->Receive();
  return 0;
}

void CQuilVideoChannel::Receive() {
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // picture loading

  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(m_port);
  SOCKET s = INVALID_SOCKET;
  if (Resolve(m_host, &to.sin_addr) && !QuitRequested()) {
    s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  }
  if (s != INVALID_SOCKET && Connect(s, to) && !QuitRequested() &&
      SendAll(s, StreamRequest(m_user, m_password, m_resolution, m_host)) && !QuitRequested()) {
    MjpegStreamParser parser;
    auto sink = [this](std::vector<uint8_t>&& image) { OnNewImage(std::move(image)); };
    char received[kReceiveSize];
    while (!QuitRequested()) {
      int ready = WaitReady(s, false);
      if (ready < 0) break;
      if (ready == 0) continue;
      int n = recv(s, received, kReceiveSize, 0);
      if (n <= 0) break;
      if (!parser.Feed(reinterpret_cast<const uint8_t*>(received), static_cast<size_t>(n), sink))
        break;
    }
    m_streamEnd = parser.end();
  }
  if (s != INVALID_SOCKET) closesocket(s);
  if (SUCCEEDED(com)) CoUninitialize();
  WSACleanup();
}

}  // namespace mirage
