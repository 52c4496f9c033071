#include "settings_file.h"

#include <windows.h>

#include <vector>

namespace lookout {

bool ProfileSettingsStore::Exists() { return GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ProfileSettingsStore::CreateEmpty() {
  HANDLE file = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::wstring ProfileSettingsStore::GetString(const wchar_t* section, const std::wstring& key,
                                             const wchar_t* fallback) {
  std::vector<wchar_t> buffer(kProfileValueBuffer, L'\0');
  DWORD n = GetPrivateProfileStringW(section, key.c_str(), fallback, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), m_path.c_str());
  return std::wstring(buffer.data(), n < buffer.size() ? n : buffer.size() - 1);
}

int32_t ProfileSettingsStore::GetInt(const wchar_t* section, const std::wstring& key, int32_t fallback) {
  return static_cast<int32_t>(GetPrivateProfileIntW(section, key.c_str(), fallback, m_path.c_str()));
}

bool ProfileSettingsStore::WriteString(const wchar_t* section, const std::wstring& key, const std::wstring& value) {
  return WritePrivateProfileStringW(section, key.c_str(), value.c_str(), m_path.c_str()) != FALSE;
}

}  // namespace lookout
