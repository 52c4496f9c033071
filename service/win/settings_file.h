// The settings file through the profile functions.
#pragma once

#include <string>

#include "settings.h"

namespace lookout {

class ProfileSettingsStore : public SettingsStore {
 public:
  explicit ProfileSettingsStore(std::wstring path) : m_path(std::move(path)) {}
  bool Exists() override;
  bool CreateEmpty() override;
  std::wstring GetString(const wchar_t* section, const std::wstring& key, const wchar_t* fallback) override;
  int32_t GetInt(const wchar_t* section, const std::wstring& key, int32_t fallback) override;
  bool WriteString(const wchar_t* section, const std::wstring& key, const std::wstring& value) override;

 private:
  std::wstring m_path;
};

}  // namespace lookout
