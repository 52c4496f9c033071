// The quil channel's receive thread: one HTTP connection for the channel's life, the
// stream parsed as it arrives. It is stopped only through its message queue (WM_QUIT).
#include <winsock2.h>
#include <objbase.h>

#include "camera_socket.h"
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

}  // namespace

DWORD WINAPI CQuilVideoChannel::ReceiveThread(void* self) {
  static_cast<CQuilVideoChannel*>(self)->Receive();
  return 0;
}

void CQuilVideoChannel::Receive() {
  using namespace quilgate::win;
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
  SocketsStarted sockets;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // picture loading

  uint32_t address = 0;
  SOCKET s = INVALID_SOCKET;
  if (ResolveHost(m_host, &address) && !QuitRequested())
    s = ConnectWithin(address, m_port, kConnectTimeoutMs, &QuitRequested);
  const std::string request = StreamRequest(m_user, m_password, m_resolution, m_host);
  if (s != INVALID_SOCKET && !QuitRequested() && SendAll(s, request.data(), request.size()) &&
      !QuitRequested()) {
    MjpegStreamParser parser;
    auto sink = [this](std::vector<uint8_t>&& image) { OnNewImage(std::move(image)); };
    char received[kReceiveSize];
    while (!QuitRequested()) {
      const int ready = WaitReadable(s, kPollMicroseconds);
      if (ready < 0) break;
      if (ready == 0) continue;
      const int n = recv(s, received, kReceiveSize, 0);
      if (n <= 0) break;
      if (!parser.Feed(reinterpret_cast<const uint8_t*>(received), static_cast<size_t>(n), sink))
        break;
    }
    m_streamEnd = parser.end();
  }
  if (s != INVALID_SOCKET) closesocket(s);
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace mirage
