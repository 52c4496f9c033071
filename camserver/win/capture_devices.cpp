#include "capture_devices.h"

#include <dshow.h>

#include <map>
#include <mutex>
#include <new>

#include "capture_device_rules.h"
#include "log_file.h"
#include "cap_virtual_camera.h"

namespace lantern {

namespace {

struct DeviceEntry {
  IMoniker* moniker = nullptr;
  std::string friendlyName;
};

std::mutex g_devicesLock;
std::map<std::string, DeviceEntry> g_devices;

std::string ToAnsi(const wchar_t* text) {
  if (text == nullptr) return std::string();
  char buffer[260];
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  if (n <= 0) {
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer, strnlen(buffer, sizeof buffer - 1));
  }
  return std::string(buffer);
}

void ClearLocked() {
  for (auto& entry : g_devices)
    if (entry.second.moniker) entry.second.moniker->Release();
  g_devices.clear();
}

bool ReadFriendlyName(IMoniker* moniker, std::string* name) {
  IPropertyBag* bag = nullptr;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                    reinterpret_cast<void**>(&bag))))
    return false;
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
    *name = ToAnsi(value.bstrVal);
  VariantClear(&value);
  bag->Release();
  return true;
}

}  // namespace

int GetCaptureDeviceCount() {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  ClearLocked();
  ICreateDevEnum* devices = nullptr;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(&devices)))) {
    LibraryLog().Write("Error Creating Device Enumerator \r\n");
    return 0;
  }
  IEnumMoniker* monikers = nullptr;
  HRESULT hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  if (hr != S_OK || monikers == nullptr) {
    LibraryLog().Write("Sorry, you have no video capture hardware.\r\n\r\n");
    devices->Release();
    return 0;
  }
  int count = 0;
  monikers->Reset();
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    std::string friendly;
    if (!ReadFriendlyName(moniker, &friendly)) {
      moniker->Release();
      continue;
    }
    if (IsIpCameraDevice(friendly)) {
      moniker->Release();
      continue;
    }
    LPOLESTR display = nullptr;
    std::string displayName;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &display)) && display) {
      displayName = ToAnsi(display);
      CoTaskMemFree(display);
    }
    ++count;
    if (!displayName.empty() && g_devices.find(displayName) == g_devices.end()) {
      g_devices.emplace(displayName, DeviceEntry{moniker, friendly});
    } else {
      moniker->Release();
    }
  }
  monikers->Release();
  devices->Release();
  return count;
}

bool GetCaptureDeviceNames(int index, const char** displayName, const char** friendlyName) {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  if (g_devices.empty())
    OutputDebugStringA("you should call funtion GetVideoDeviceCount or you system no have video device");
  if (index < 0 || static_cast<size_t>(index) >= g_devices.size()) return false;
  auto it = g_devices.begin();
  std::advance(it, index);
  *displayName = it->first.c_str();
  *friendlyName = it->second.friendlyName.c_str();
  return true;
}

void ClearCaptureDevices() {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  ClearLocked();
}

IMoniker* AcquireCaptureDevice(int index, std::string* displayName) {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  if (index < 0 || static_cast<size_t>(index) >= g_devices.size()) return nullptr;
  auto it = g_devices.begin();
  std::advance(it, index);
  *displayName = it->first;
  it->second.moniker->AddRef();
  return it->second.moniker;
}

CVirtualCamera* CreateCaptureCamera(const char* name, int deviceIndex, const char* localAddress,
                                    int cameraIndex, const common::Clock* clock) {
  CCapVirtualCamera* camera =
      new (std::nothrow) CCapVirtualCamera(name, deviceIndex, localAddress, cameraIndex, clock);
  if (camera && !camera->captureStarted()) {
    delete camera;
    return nullptr;
  }
  return camera;
}

}  // namespace lantern
