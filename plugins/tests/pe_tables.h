// What a loaded module exports and imports, read from its PE tables: tests check that the
// plug-ins export only their factory and that NetClient is bound by ordinal only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace plugin_test {

inline const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry) {
  auto* base = reinterpret_cast<const uint8_t*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[entry];
}

struct Exports {
  std::vector<std::string> names;
  std::vector<uint32_t> ordinals;  // of every function with an address
};

inline Exports ExportsOf(HMODULE module) {
  Exports out;
  auto* base = reinterpret_cast<const uint8_t*>(module);
  const IMAGE_DATA_DIRECTORY& d = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (d.VirtualAddress == 0) return out;
  auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + d.VirtualAddress);
  auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
  for (DWORD i = 0; i < dir->NumberOfNames; ++i) out.names.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  auto* functions = reinterpret_cast<const DWORD*>(base + dir->AddressOfFunctions);
  for (DWORD i = 0; i < dir->NumberOfFunctions; ++i) {
    if (functions[i] != 0) out.ordinals.push_back(dir->Base + i);
  }
  return out;
}

// The imports from one library: ordinals, and the names of those imported by name.
struct Imports {
  bool found = false;
  std::vector<uint32_t> ordinals;
  std::vector<std::string> names;
};

inline Imports ImportsFrom(HMODULE module, const char* library) {
  Imports out;
  auto* base = reinterpret_cast<const uint8_t*>(module);
  const IMAGE_DATA_DIRECTORY& d = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  if (d.VirtualAddress == 0) return out;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + d.VirtualAddress); imp->Name != 0; ++imp) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), library) != 0) continue;
    out.found = true;
    auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    for (; thunk->u1.AddressOfData != 0; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) {
        out.ordinals.push_back(static_cast<uint32_t>(IMAGE_ORDINAL(thunk->u1.Ordinal)));
      } else {
        auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
        out.names.emplace_back(reinterpret_cast<const char*>(byName->Name));
      }
    }
  }
  return out;
}

}  // namespace plugin_test
