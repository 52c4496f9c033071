#include "netns_support.h"

#include <iphlpapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace rookery_test {

std::string CheckTestNetwork() {
  const char* control = std::getenv("QUILCAM_CONTROL");
  if (control == nullptr || std::string(control) != "10.213.7.2:10001") {
    return "QUILCAM_CONTROL is not set: run through scripts/netns-run.sh";
  }
  ULONG size = 0;
  GetIpAddrTable(nullptr, &size, FALSE);
  std::vector<unsigned char> buffer(size + sizeof(MIB_IPADDRTABLE));
  auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
  size = static_cast<ULONG>(buffer.size());
  if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) return "cannot read the address table";
  bool own = false;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    unsigned long a = ntohl(table->table[i].dwAddr);
    if ((a >> 24) == 127) continue;
    if ((a >> 8) != 0x0AD507) return "an address outside the test subnet is visible";
    own = true;
  }
  return own ? std::string() : "no address in the test subnet";
}

QuilcamControl::QuilcamControl() {
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  responder_.sin_family = AF_INET;
  responder_.sin_addr.s_addr = inet_addr("10.213.7.2");
  responder_.sin_port = htons(10001);
  for (int attempt = 0; attempt < 50 && !ready_; ++attempt) ready_ = Ask("PING") == "PONG";
}

QuilcamControl::~QuilcamControl() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

std::string QuilcamControl::Ask(const std::string& command) {
  if (socket_ == INVALID_SOCKET) return std::string();
  sendto(socket_, command.data(), static_cast<int>(command.size()), 0,
         reinterpret_cast<sockaddr*>(&responder_), sizeof responder_);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval wait = {0, 200000};
  if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return std::string();
  char reply[512];
  int n = recv(socket_, reply, sizeof reply, 0);
  return n > 0 ? std::string(reply, static_cast<size_t>(n)) : std::string();
}

bool QuilcamControl::SetCameras(const std::string& cameras) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::string reply = Ask("SET " + cameras);
    if (reply.rfind("OK", 0) == 0) return true;
    if (reply.rfind("ERROR", 0) == 0) return false;
  }
  return false;
}

bool QuilcamControl::Count(long* requests, unsigned* lastSourcePort) {
  std::string reply = Ask("COUNT");
  return std::sscanf(reply.c_str(), "REQUESTS %ld %u", requests, lastSourcePort) == 2;
}

NotifyWindow::NotifyWindow() {
  window_ = CreateWindowExW(0, L"STATIC", L"rookery-notify", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);
}

NotifyWindow::~NotifyWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

int NotifyWindow::Count() {
  MSG message;
  while (PeekMessageW(&message, window_, kMessage, kMessage, PM_REMOVE)) {
    if (message.wParam == 0 && message.lParam == 0) ++count_;
  }
  return count_;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
    Sleep(10);
  }
}

}  // namespace rookery_test
