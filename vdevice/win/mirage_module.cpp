// COM server entry points of Mirage.ax.
#include <windows.h>

#include "device_registration.h"
#include "dshow_base/class_factory.h"
#include "mirage_ids.h"
#include "virtual_vdev.h"

namespace {

const dshow::FactoryTemplate kTemplates[] = {
    {mirage::kFilterName, &mirage::kClsid, &mirage::CVirtualVDev::CreateInstance},
};

// Registration runs in whatever apartment the caller has, or in its own.
template <class Body>
HRESULT WithCom(Body body) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HRESULT hr = body();
  if (SUCCEEDED(com)) CoUninitialize();
  return hr;
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

HRESULT WINAPI DllRegisterServer() {
  return WithCom([] { return mirage::RegisterDevices(dshow::CModule::Instance()); });
}

HRESULT WINAPI DllUnregisterServer() {
  return WithCom([] { return mirage::UnregisterDevices(); });
}

}  // extern "C"
