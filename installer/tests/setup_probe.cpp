// Lists the video input devices as a program of this build's architecture sees them, one line
// each: friendly name, TAB, CLSID, TAB, the CLSID of the filter made from the device ("-" when
// it could not be made), TAB, the number of media types its first pin offers. Making the
// filter loads the device's DirectShow module of this architecture with everything it
// imports; asking for the media types makes a virtual device bind its camera.
#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size - 1));
  return out;
}

std::string GuidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return Utf8(text);
}

int MediaTypeCount(IBaseFilter* filter) {
  int count = 0;
  IEnumPins* pins = nullptr;
  if (FAILED(filter->EnumPins(&pins))) return -1;
  IPin* pin = nullptr;
  if (pins->Next(1, &pin, nullptr) == S_OK) {
    IEnumMediaTypes* types = nullptr;
    if (SUCCEEDED(pin->EnumMediaTypes(&types))) {
      AM_MEDIA_TYPE* type = nullptr;
      while (count < 1000 && types->Next(1, &type, nullptr) == S_OK) {
        ++count;
        if (type->cbFormat != 0) CoTaskMemFree(type->pbFormat);
        if (type->pUnk != nullptr) type->pUnk->Release();
        CoTaskMemFree(type);
      }
      types->Release();
    }
    pin->Release();
  }
  pins->Release();
  return count;
}

std::string ReadString(IPropertyBag* bag, const wchar_t* name) {
  VARIANT value;
  VariantInit(&value);
  std::string out;
  if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR) out = Utf8(value.bstrVal);
  VariantClear(&value);
  return out;
}

int ListDevices() {
  ICreateDevEnum* devices = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices));
  if (FAILED(hr)) {
    std::fprintf(stderr, "setup_probe: no system device enumerator (0x%08lx)\n", static_cast<unsigned long>(hr));
    return 2;
  }
  IEnumMoniker* monikers = nullptr;
  hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  if (hr == S_OK) {
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
      std::string name, clsid, created = "-";
      int types = -1;
      IPropertyBag* bag = nullptr;
      if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
        name = ReadString(bag, L"FriendlyName");
        clsid = ReadString(bag, L"CLSID");
        bag->Release();
      }
      IBaseFilter* filter = nullptr;
      hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
      if (SUCCEEDED(hr)) {
        CLSID own = {};
        if (SUCCEEDED(filter->GetClassID(&own))) created = GuidText(own);
        types = MediaTypeCount(filter);
        filter->Release();
      }
      std::printf("%s\t%s\t%s\t%d\n", name.c_str(), clsid.c_str(), created.c_str(), types);
      moniker->Release();
    }
    monikers->Release();
  }
  devices->Release();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || std::wstring(argv[1]) != L"devices") {
    std::fprintf(stderr, "usage: setup_probe devices\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  int rc = ListDevices();
  std::fflush(stdout);
  CoUninitialize();
  return rc;
}
