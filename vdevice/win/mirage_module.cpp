// COM server entry points of Mirage.ax.
#include <windows.h>

#include "companion_registration.h"
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

// Both also reach the 64-bit build beside a 32-bit one (see companion_registration.h); this
// module's own outcome comes first.
HRESULT WINAPI DllRegisterServer() {
  const HRESULT hr = WithCom([] { return mirage::RegisterDevices(dshow::CModule::Instance()); });
  const HRESULT companion = mirage::PassRegistrationToCompanion(dshow::CModule::Instance(), false);
  return FAILED(hr) ? hr : FAILED(companion) ? companion : hr;
}

HRESULT WINAPI DllUnregisterServer() {
  const HRESULT hr = WithCom([] { return mirage::UnregisterDevices(); });
  const HRESULT companion = mirage::PassRegistrationToCompanion(dshow::CModule::Instance(), true);
  return FAILED(hr) ? hr : FAILED(companion) ? companion : hr;
}

}  // extern "C"
