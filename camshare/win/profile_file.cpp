#include "profile_file.h"

#include <windows.h>

#include <vector>

namespace camshare::win {

std::wstring ProfileFile::GetString(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& fallback, size_t capacity) {
  if (capacity == 0) return std::wstring();
  if (path_.empty()) return fallback.substr(0, capacity - 1);
  std::vector<wchar_t> buffer(capacity, L'\0');
  DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                     static_cast<DWORD>(capacity), path_.c_str());
  if (n >= capacity) n = static_cast<DWORD>(capacity - 1);
  return std::wstring(buffer.data(), n);
}

int ProfileFile::GetInt(const std::wstring& section, const std::wstring& key, int fallback) {
  if (path_.empty()) return fallback;
  return static_cast<int>(GetPrivateProfileIntW(section.c_str(), key.c_str(), fallback, path_.c_str()));
}

void ProfileFile::WriteString(const std::wstring& section, const std::wstring& key,
                              const std::wstring& value) {
  if (path_.empty()) return;
  WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
}

}  // namespace camshare::win
