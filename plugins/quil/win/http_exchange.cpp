#include "http_exchange.h"

#include <winsock2.h>
#include <windows.h>

#include <mutex>

#include "camera_socket.h"

namespace quilgate::win {

namespace {

constexpr int kPieceSize = 1024;

std::mutex g_answerLock;
char g_answer[kAnswerCapacity + 1];

}  // namespace

bool Exchange(const CgiTarget& target, const std::string& request,
              const std::function<void(const char*, size_t)>& read) {
  uint32_t address = 0;
  if (!ResolveHost(target.host.c_str(), &address)) return false;
  std::lock_guard<std::mutex> guard(g_answerLock);
  SOCKET s = ConnectWithin(address, target.port, kAnswerTimeoutMs);
  if (s == INVALID_SOCKET) return false;
  size_t held = 0;
  if (SendAll(s, request.data(), request.size())) {
    const DWORD start = GetTickCount();
    while (held < kAnswerCapacity) {
      DWORD spent = GetTickCount() - start;
      if (spent >= kAnswerTimeoutMs) break;
      if (WaitReadable(s, static_cast<long>(kAnswerTimeoutMs - spent) * 1000) != 1) break;
      size_t room = kAnswerCapacity - held;
      int n = recv(s, g_answer + held, room < kPieceSize ? static_cast<int>(room) : kPieceSize, 0);
      if (n <= 0) break;
      held += static_cast<size_t>(n);
    }
  }
  closesocket(s);
  g_answer[held] = '\0';
  if (held == 0) return false;
  if (read) read(g_answer, held);
  return true;
}

}  // namespace quilgate::win
