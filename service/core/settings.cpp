#include "settings.h"

namespace lookout {
namespace {

constexpr wchar_t kMain[] = L"MAIN";

// Takes the value when its length is within [minLength, maxLength]; else the field stays.
template <size_t N>
void TakeIf(SettingsStore& store, const wchar_t* key, const wchar_t* fallback, size_t minLength,
            size_t maxLength, wchar_t (&field)[N]) {
  static_assert(N >= 2);
  std::wstring value = store.GetString(kMain, key, fallback);
  if (value.size() >= minLength && value.size() <= maxLength && value.size() < N) SetField(field, value);
}

std::wstring Numbered(const wchar_t* name, int n) { return name + std::to_wstring(n); }

bool WriteCamera(SettingsStore& store, int n, const CameraInfo& c) {
  std::wstring section = Numbered(L"CAMERA", n);
  bool ok = store.WriteString(section.c_str(), Numbered(L"CameraName", n), c.CameraName);
  ok &= store.WriteString(section.c_str(), Numbered(L"DisplayName", n), c.DisplayName);
  ok &= store.WriteString(section.c_str(), Numbered(L"GUID", n), c.GUID);
  ok &= store.WriteString(section.c_str(), Numbered(L"NOTIPS", n), std::to_wstring(c.NOTIPS));
  ok &= store.WriteString(section.c_str(), Numbered(L"CMDID", n), std::to_wstring(c.CMDID));
  return ok;
}

}  // namespace

bool ReadSettings(SettingsStore& store, ServiceSettings& s) {
  if (!store.Exists()) {
    SetField(s.m_szServerURL, kDefaultServerHost);
    return false;
  }
  TakeIf(store, L"ver", kDefaultVersion, 0, 15, s.m_szVersion);
  TakeIf(store, L"ServerURL", kDefaultServerHost, 0, 260, s.m_szServerURL);
  TakeIf(store, L"UserName", L"", 1, 25, s.m_szUserName);
  TakeIf(store, L"UserLocalIp", L"", 1, 25, s.m_szUserLocalIp);
  TakeIf(store, L"RegisterMobileNum", L"", 1, 25, s.m_szRegisterMobileNum);
  TakeIf(store, L"UserID", L"", 1, 25, s.m_szUserID);
  s.m_nCameraCount = store.GetInt(kMain, L"CameraCount", 0);
  s.m_nLastInline = store.GetInt(kMain, L"LastInline", 0);
  TakeIf(store, L"DefaultCamera", L"", 0, 128, s.m_szDefaultCamera);

  if (s.m_nCameraCount < s.m_nLastInline) return false;
  if (s.m_nCameraCount > 0) {
    s.m_mapStored.RemoveAll();
    int32_t count = s.m_nCameraCount < kMaxCameraSections ? s.m_nCameraCount : kMaxCameraSections;
    for (int n = 1; n <= count; ++n) {
      std::wstring section = Numbered(L"CAMERA", n);
      CameraInfo c;
      SetFieldIfFits(c.CameraName, store.GetString(section.c_str(), Numbered(L"CameraName", n), L""));
      SetFieldIfFits(c.DisplayName, store.GetString(section.c_str(), Numbered(L"DisplayName", n), L""));
      SetFieldIfFits(c.GUID, store.GetString(section.c_str(), Numbered(L"GUID", n), L""));
      c.NOTIPS = store.GetInt(section.c_str(), Numbered(L"NOTIPS", n), 0);
      c.CMDID = store.GetInt(section.c_str(), Numbered(L"CMDID", n), 0);
      s.m_mapStored.SetAt(c.DisplayName, c);
    }
  }
  return true;
}

bool WriteSettings(SettingsStore& store, ServiceSettings& s) {
  bool ok = true;
  if (!store.Exists()) {
    if (!store.CreateEmpty()) return false;
    ok &= store.WriteString(kMain, L"ServerURL", kDefaultServerHost);
    ok &= store.WriteString(kMain, L"CameraCount", L"0");
    ok &= store.WriteString(kMain, L"LastInline", L"0");
    ok &= store.WriteString(kMain, L"DefaultCamera", L"");
  }
  ok &= store.WriteString(kMain, L"LastInline", std::to_wstring(s.m_nLastInline));
  ok &= store.WriteString(kMain, L"DefaultCamera", s.m_szDefaultCamera);
  ok &= store.WriteString(kMain, L"UserName", s.m_szUserName);
  ok &= store.WriteString(kMain, L"UserLocalIp", s.m_szUserLocalIp);
  ok &= store.WriteString(kMain, L"RegisterMobileNum", s.m_szRegisterMobileNum);
  ok &= store.WriteString(kMain, L"UserID", s.m_szUserID);

  int n = 1;
  s.m_mapOnline.ForEach([&](const CameraMap::Entry& e) { ok &= WriteCamera(store, n++, e.value); });
  s.m_mapStored.ForEach([&](const CameraMap::Entry& e) {
    if (s.m_mapOnline.Lookup(e.key) == nullptr) ok &= WriteCamera(store, n++, e.value);
  });
  s.m_nCameraCount = n - 1;
  ok &= store.WriteString(kMain, L"CameraCount", std::to_wstring(s.m_nCameraCount));
  return ok;
}

std::wstring SettingsPathFor(const std::wstring& programPath) {
  size_t dot = programPath.rfind(L'.');
  if (dot == std::wstring::npos) return std::wstring();
  return programPath.substr(0, dot + 1) + L"ini";
}

}  // namespace lookout
