// COM server entry points and the exported helpers of TestCam.ax.
#include <cwchar>
#include <string>

#include "dshow_base/class_factory.h"
#include "dshow_base/registration.h"
#include "scene.h"
#include "testcam/test_camera.h"
#include "testcam_filter.h"

namespace {

const dshow::FactoryTemplate kTemplates[] = {
    {testcam::kFriendlyName, &testcam::kClsid, &testcam::TestCamFilter::Create},
};

HRESULT RegisterDevice(const wchar_t* friendlyName, const wchar_t* instanceName) {
  HRESULT hr = dshow::RegisterComServer(testcam::kClsid, testcam::kFriendlyName,
                                        dshow::CModule::Instance());
  if (FAILED(hr)) return hr;
  // Capture devices are never picked by intelligent connect.
  return dshow::RegisterFilter(testcam::kClsid,
                               friendlyName != nullptr ? friendlyName : testcam::kFriendlyName,
                               &CLSID_VideoInputDeviceCategory, instanceName,
                               dshow::VideoSourceFilterData(MERIT_DO_NOT_USE));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    dshow::CModule::SetInstance(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return dshow::GetClassObject(kTemplates, 1, clsid, riid, ppv);
}

HRESULT WINAPI DllCanUnloadNow() { return dshow::CanUnloadNow(); }

HRESULT WINAPI DllRegisterServer() { return RegisterDevice(nullptr, nullptr); }

HRESULT WINAPI DllUnregisterServer() {
  HRESULT hr = dshow::UnregisterAllInstances(testcam::kClsid, CLSID_VideoInputDeviceCategory);
  HRESULT hr2 = dshow::UnregisterComServer(testcam::kClsid);
  return FAILED(hr) ? hr : hr2;
}

HRESULT WINAPI RegisterTestCamera(const wchar_t* friendlyName, const wchar_t* instanceName) {
  return RegisterDevice(friendlyName, instanceName);
}

HRESULT WINAPI UnregisterTestCamera(const wchar_t* instanceName) {
  return dshow::UnregisterFilter(testcam::kClsid, &CLSID_VideoInputDeviceCategory, instanceName);
}

HRESULT WINAPI SetTestCameraScene(int scene) { return testcam::WriteScene(scene); }

int WINAPI GetTestCameraScene() { return testcam::ReadScene(); }

// rundll32 entry: "add <instance> <friendly name>", "remove <instance>", "scene <n>".
// rundll32 runs without a console, so the outcome is the process exit code (0 = done).
void WINAPI TestCamCommandW(HWND, HINSTANCE, LPWSTR commandLine, int) {
  std::wstring line = commandLine != nullptr ? commandLine : L"";
  auto next = [&line]() {
    size_t start = line.find_first_not_of(L' ');
    if (start == std::wstring::npos) return std::wstring();
    size_t end = line.find(L' ', start);
    std::wstring word = line.substr(start, end == std::wstring::npos ? end : end - start);
    line = end == std::wstring::npos ? L"" : line.substr(end + 1);
    return word;
  };
  std::wstring command = next();
  HRESULT hr = E_INVALIDARG;
  bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  if (command == L"add") {
    std::wstring instance = next();
    size_t start = line.find_first_not_of(L' ');
    std::wstring friendly = start == std::wstring::npos ? L"" : line.substr(start);
    if (!instance.empty() && !friendly.empty())
      hr = RegisterTestCamera(friendly.c_str(), instance.c_str());
  } else if (command == L"remove") {
    std::wstring instance = next();
    if (!instance.empty()) hr = UnregisterTestCamera(instance.c_str());
  } else if (command == L"scene") {
    std::wstring value = next();
    if (!value.empty()) hr = SetTestCameraScene(static_cast<int>(wcstol(value.c_str(), nullptr, 0)));
  }
  if (com) CoUninitialize();
  ExitProcess(SUCCEEDED(hr) ? 0 : 1);
}

}  // extern "C"
