#include <windows.h>

#include <vector>

#include "program_folder.h"

namespace veneer {

std::wstring ProgramFolder() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return std::wstring();
    if (n < name.size()) break;
    name.resize(name.size() * 2);
  }
  std::wstring path(name.data());
  DWORD longLength = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (longLength > 0) {
    std::vector<wchar_t> longName(longLength);
    if (GetLongPathNameW(path.c_str(), longName.data(), longLength) > 0) path = longName.data();
  }
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace veneer
