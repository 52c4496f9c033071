#include "dshow_base/device_list.h"

#include <functional>

namespace dshow {

namespace {

std::wstring ReadString(IPropertyBag* bag, const wchar_t* name) {
  VARIANT value;
  VariantInit(&value);
  std::wstring text;
  if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR &&
      value.bstrVal != nullptr)
    text = value.bstrVal;
  VariantClear(&value);
  return text;
}

void Describe(IMoniker* moniker, DeviceEntry* entry) {
  IPropertyBag* bag = nullptr;
  if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                       reinterpret_cast<void**>(&bag)))) {
    entry->friendlyName = ReadString(bag, L"FriendlyName");
    std::wstring clsid = ReadString(bag, L"CLSID");
    if (clsid.empty() || FAILED(CLSIDFromString(clsid.c_str(), &entry->clsid)))
      entry->clsid = GUID_NULL;
    bag->Release();
  }
  IBindCtx* context = nullptr;
  if (SUCCEEDED(CreateBindCtx(0, &context))) {
    LPOLESTR name = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name != nullptr) {
      entry->displayName = name;
      CoTaskMemFree(name);
    }
    context->Release();
  }
  size_t slash = entry->displayName.rfind(L'\\');
  entry->instanceName =
      slash == std::wstring::npos ? std::wstring() : entry->displayName.substr(slash + 1);
}

// Calls `visit` for each device until it returns false. S_FALSE for an empty category.
HRESULT ForEachDevice(REFCLSID category,
                      const std::function<bool(IMoniker*, const DeviceEntry&)>& visit) {
  ICreateDevEnum* devices = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, reinterpret_cast<void**>(&devices));
  if (FAILED(hr)) return hr;
  IEnumMoniker* monikers = nullptr;
  hr = devices->CreateClassEnumerator(category, &monikers, 0);
  devices->Release();
  if (hr != S_OK || monikers == nullptr) return FAILED(hr) ? hr : S_FALSE;
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    DeviceEntry entry;
    Describe(moniker, &entry);
    bool more = visit(moniker, entry);
    moniker->Release();
    if (!more) break;
  }
  monikers->Release();
  return S_OK;
}

}  // namespace

HRESULT ListDevices(REFCLSID category, std::vector<DeviceEntry>* devices) {
  if (devices == nullptr) return E_POINTER;
  devices->clear();
  HRESULT hr = ForEachDevice(category, [devices](IMoniker*, const DeviceEntry& entry) {
    devices->push_back(entry);
    return true;
  });
  if (FAILED(hr)) return hr;
  return devices->empty() ? S_FALSE : S_OK;
}

HRESULT CreateDeviceFilter(REFCLSID category, const wchar_t* friendlyName,
                           IBaseFilter** filter) {
  if (friendlyName == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  HRESULT bound = VFW_E_NOT_FOUND;
  HRESULT hr = ForEachDevice(category, [&](IMoniker* moniker, const DeviceEntry& entry) {
    if (entry.friendlyName != friendlyName) return true;
    bound = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                  reinterpret_cast<void**>(filter));
    return false;
  });
  return FAILED(hr) ? hr : bound;
}

}  // namespace dshow
