#include "device_registration.h"

#include <string>
#include <vector>

#include "Rookery.h"
#include "dshow_base/device_list.h"
#include "dshow_base/registration.h"
#include "mirage_ids.h"

namespace mirage {

HRESULT RegisterDevices(HMODULE module) {
  HRESULT hr = dshow::RegisterComServer(kClsid, kFilterName, module, L"Both");
  if (FAILED(hr)) return hr;
  const REGFILTER2 data = dshow::VideoSourceFilterData(kMerit);
  hr = dshow::UnregisterFilter(kClsid, nullptr, nullptr);  // an absent entry counts as removed
  if (SUCCEEDED(hr)) hr = dshow::RegisterFilter(kClsid, kFilterName, nullptr, nullptr, data);
  if (FAILED(hr)) return hr;

  IFilterMapper2* mapper = nullptr;
  hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                        reinterpret_cast<void**>(&mapper));
  if (FAILED(hr)) return hr;
  CamSearchMgr* cameras = CamSearchMgr::GetInstance(nullptr);
  HRESULT result = S_OK;
  for (unsigned i = 0; i < cameras->GetCamCount(); ++i) {
    const wchar_t* text = cameras->GetCamStringInfo(i);
    if (text == nullptr) continue;  // the list shrank meanwhile
    const std::wstring name(text);  // the shared buffer is overwritten by the next call
    hr = mapper->RegisterFilter(kClsid, name.c_str(), nullptr, &CLSID_VideoInputDeviceCategory,
                                name.c_str(), &data);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  mapper->Release();
  return result;
}

HRESULT UnregisterDevices() {
  CamSearchMgr::GetInstance(nullptr);
  HRESULT hr = dshow::UnregisterFilter(kClsid, nullptr, nullptr);
  if (SUCCEEDED(hr)) hr = dshow::UnregisterComServer(kClsid);
  if (FAILED(hr)) return hr;

  std::vector<dshow::DeviceEntry> devices;
  hr = dshow::ListDevices(CLSID_VideoInputDeviceCategory, &devices);
  if (hr != S_OK) return hr;
  for (const dshow::DeviceEntry& device : devices) {
    // The mapper removes a device by its instance name alone: only ours are asked for.
    if (device.clsid != kClsid) continue;
    const std::wstring& instance =
        device.instanceName.empty() ? device.friendlyName : device.instanceName;
    dshow::UnregisterFilter(kClsid, &CLSID_VideoInputDeviceCategory, instance.c_str());
  }
  return S_OK;
}

}  // namespace mirage
