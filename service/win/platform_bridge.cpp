#include "platform_bridge.h"

#include <windows.h>

#include "Lantern.h"
#include "win_text.h"

namespace lookout {

int LanternRendezvous::SetServerAddress(const std::wstring& host, int32_t port) {
  return SetServerAddres(WideToAnsi(host).c_str(), static_cast<unsigned long>(port));
}

uintptr_t ExecuteProgram(const std::wstring& commandLine) {
  return WinExec(WideToAnsi(commandLine).c_str(), SW_SHOW);
}

}  // namespace lookout
