#include "companion_registration.h"

#include <string>

namespace mirage {

namespace {

#ifndef _WIN64
bool RunningUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder;
}
#endif

}  // namespace

HRESULT PassRegistrationToCompanion(HMODULE self, bool unregister) {
#ifdef _WIN64
  (void)self;
  (void)unregister;
  return S_OK;
#else
  if (!RunningUnderWow64()) return S_OK;
  const std::wstring folder = ModuleFolder(self);
  if (folder.empty()) return E_FAIL;
  const std::wstring companion = folder + L"x64\\Mirage.ax";
  if (GetFileAttributesW(companion.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;

  // "Sysnative" is how a 32-bit process names the real 64-bit system folder.
  wchar_t windows[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  std::wstring command = L"\"" + std::wstring(windows, length) + L"\\Sysnative\\regsvr32.exe\" /s ";
  if (unregister) command += L"/u ";
  command += L"\"" + companion + L"\"";

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return E_FAIL;
  CloseHandle(process.hThread);
  DWORD exitCode = 1;
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  if (ended) GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  return ended && exitCode == 0 ? S_OK : E_FAIL;
#endif
}

}  // namespace mirage
