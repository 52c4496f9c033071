// What the service control manager holds about one service, as the service and setup tests
// read it.
#pragma once

#include <windows.h>

#include <string>

struct ServiceRecord {
  bool present = false;
  DWORD type = 0, start = 0, errorControl = 0;
  DWORD state = 0, processId = 0, exitCode = 0;
  std::wstring path, account;
  std::wstring dependencies;  // each followed by ';'
};

ServiceRecord ReadServiceRecord(const std::wstring& name);

// Waits up to `timeoutMs` for the state (0 = no such service); false on time-out.
bool WaitForServiceState(const std::wstring& name, DWORD state, DWORD timeoutMs);
