#include "netclient_binding.h"

#include <windows.h>
#include <delayimp.h>

#include <cstring>
#include <mutex>
#include <string>

namespace mirage {

namespace {

HMODULE g_netClient = nullptr;
std::once_flag g_loadOnce;

// NetClient.dll beside this module, whichever folder the host program runs from.
HMODULE LoadNetClient() {
  std::call_once(g_loadOnce, [] {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LoadNetClient), &self);
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring file(path, length);
    file.erase(file.find_last_of(L"\\/") + 1);
    file += L"NetClient.dll";
    g_netClient = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  });
  return g_netClient;
}

FARPROC WINAPI DelayLoadNotify(unsigned note, PDelayLoadInfo info) {
  if (note == dliNotePreLoadLibrary && info != nullptr && info->szDll != nullptr &&
      _stricmp(info->szDll, "NetClient.dll") == 0)
    return reinterpret_cast<FARPROC>(LoadNetClient());
  return nullptr;
}

}  // namespace

bool NetClientAvailable() { return LoadNetClient() != nullptr; }

}  // namespace mirage

// The delay-load helper asks this hook before it loads a library itself.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = mirage::DelayLoadNotify;
}
