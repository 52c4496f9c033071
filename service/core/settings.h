// The settings file beside the program ("Lookout.ini"): section "MAIN" with the server host,
// the carried user values and the camera counters, and one "CAMERA<n>" section per camera.
#pragma once

#include <cstdint>
#include <string>

#include "camera_maps.h"

namespace lookout {

// No platform host is known yet: a reserved name that never resolves.
constexpr wchar_t kDefaultServerHost[] = L"platform.lookout.invalid";
constexpr wchar_t kDefaultVersion[] = L"1.0.0.324";
// Values are read into buffers of this many characters, terminator included.
constexpr size_t kProfileValueBuffer = 2048;
// Sections read at most; a damaged count must not keep start-up reading for hours.
constexpr int32_t kMaxCameraSections = 1024;

// The profile functions on one file.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual bool Exists() = 0;
  // Creates the file empty; false when it cannot be created.
  virtual bool CreateEmpty() = 0;
  // At most kProfileValueBuffer - 1 characters of the value, or `fallback` when missing.
  virtual std::wstring GetString(const wchar_t* section, const std::wstring& key,
                                 const wchar_t* fallback) = 0;
  virtual int32_t GetInt(const wchar_t* section, const std::wstring& key, int32_t fallback) = 0;
  virtual bool WriteString(const wchar_t* section, const std::wstring& key,
                           const std::wstring& value) = 0;
};

// The settings fields of the application object (sizes include the terminator).
struct ServiceSettings {
  wchar_t m_szVersion[17] = {};
  wchar_t m_szServerURL[261] = {};
  wchar_t m_szRegisterMobileNum[26] = {};
  wchar_t m_szUserName[26] = {};
  wchar_t m_szUserLocalIp[26] = {};
  wchar_t m_szUserID[26] = {};
  int32_t m_nCameraCount = 0;
  int32_t m_nLastInline = 0;
  wchar_t m_szDefaultCamera[129] = {};
  CameraMap m_mapOnline;  // capture devices present at the last enumeration
  CameraMap m_mapStored;  // as read from the file
};

// True when the file existed and CameraCount was not below LastInline.
bool ReadSettings(SettingsStore& store, ServiceSettings& s);
// True when every write succeeded.
bool WriteSettings(SettingsStore& store, ServiceSettings& s);

// The settings path: everything after the program path's last "." replaced by "ini"; empty
// when the path has no ".".
std::wstring SettingsPathFor(const std::wstring& programPath);

}  // namespace lookout
