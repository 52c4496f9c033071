#include "process_figures.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

namespace soak {

namespace {

// Handles of this process from the system's handle table. Wine leaves the process's own
// handle count at 0; its table (16-bit process ids) has every handle.
uint32_t HandlesFromSystemTable() {
  struct Entry {
    USHORT process;
    USHORT creatorBackTrace;
    UCHAR type;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ULONG access;
  };
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<unsigned char> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const size_t first = alignof(Entry) > sizeof(ULONG) ? alignof(Entry) : sizeof(ULONG);
    if (first + size_t{count} * sizeof(Entry) > buffer.size()) return 0;
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + first);
    const USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    uint32_t mine = 0;
    for (ULONG i = 0; i < count; ++i)
      if (entries[i].process == self) ++mine;
    return mine;
  }
  return 0;
}

}  // namespace

ProcessFigures ReadProcessFigures() {
  ProcessFigures s;
  // Private bytes: the commit charge (Windows fills PagefileUsage with it; Wine fills only it).
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) s.privateBytes = memory.PagefileUsage;
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles != 0) s.handles = handles;
  else s.handles = HandlesFromSystemTable();
  return s;
}


}  // namespace soak
