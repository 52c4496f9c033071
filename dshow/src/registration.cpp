#include "dshow_base/registration.h"

#include <string>
#include <vector>

#include "dshow_base/device_list.h"

namespace dshow {

namespace {

constexpr HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);  // 0x80070002

std::wstring ClsidKey(REFCLSID clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return std::wstring(L"CLSID\\") + text;
}

LONG SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
  DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

template <class Body>
HRESULT WithMapper(Body body) {
  IFilterMapper2* mapper = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
  if (FAILED(hr)) return hr;
  hr = body(mapper);
  mapper->Release();
  return hr;
}

const REGPINTYPES kVideoAny = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
const REGFILTERPINS kVideoOutput = {
    const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1,
    &kVideoAny};

}  // namespace

HRESULT RegisterComServer(REFCLSID clsid, const wchar_t* name, HMODULE module,
                          const wchar_t* threadingModel) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(GetLastError());

  std::wstring keyName = ClsidKey(clsid);
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  rc = SetString(key, nullptr, name);
  HKEY server = nullptr;
  if (rc == ERROR_SUCCESS)
    rc = RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server,
                         nullptr);
  if (rc == ERROR_SUCCESS) {
    rc = SetString(server, nullptr, path);
    if (rc == ERROR_SUCCESS) rc = SetString(server, L"ThreadingModel", threadingModel);
    RegCloseKey(server);
  }
  RegCloseKey(key);
  return HRESULT_FROM_WIN32(rc);
}

HRESULT UnregisterComServer(REFCLSID clsid) {
  LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey(clsid).c_str());
  if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(rc);
}

REGFILTER2 VideoSourceFilterData(DWORD merit) {
  REGFILTER2 data = {};
  data.dwVersion = 1;
  data.dwMerit = merit;
  data.cPins = 1;
  data.rgPins = &kVideoOutput;
  return data;
}

HRESULT RegisterFilter(REFCLSID clsid, const wchar_t* name, const CLSID* category,
                       const wchar_t* instance, const REGFILTER2& data) {
  return WithMapper([&](IFilterMapper2* mapper) {
    return mapper->RegisterFilter(clsid, name, nullptr, category, instance, &data);
  });
}

HRESULT UnregisterFilter(REFCLSID clsid, const CLSID* category, const wchar_t* instance) {
  HRESULT hr = WithMapper([&](IFilterMapper2* mapper) {
    return mapper->UnregisterFilter(category, instance, clsid);
  });
  return hr == kFileNotFound ? S_OK : hr;
}

HRESULT UnregisterAllInstances(REFCLSID clsid, REFCLSID category) {
  std::vector<DeviceEntry> devices;
  HRESULT hr = ListDevices(category, &devices);
  if (FAILED(hr)) return hr;
  HRESULT result = S_OK;
  for (const DeviceEntry& device : devices) {
    if (device.clsid != clsid) continue;
    hr = UnregisterFilter(clsid, &category, device.instanceName.c_str());
    if (FAILED(hr)) result = hr;
  }
  return result;
}

}  // namespace dshow
