// What the platform client reaches on Windows besides WinINet: Lantern's server address and
// the execute-program call that opens pages in the browser.
#pragma once

#include <cstdint>
#include <string>

#include "platform_client.h"

namespace lookout {

// Hands the address (in the system code page) and port to Lantern's SetServerAddres.
class LanternRendezvous : public RendezvousSink {
 public:
  int SetServerAddress(const std::wstring& host, int32_t port) override;
};

// Runs a command line (converted to the system code page) with a visible window; the result
// of the platform's execute-program call (32 or less is a failure).
uintptr_t ExecuteProgram(const std::wstring& commandLine);

}  // namespace lookout
