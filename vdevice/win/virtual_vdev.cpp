#include "virtual_vdev.h"

#include <new>

#include "mirage_ids.h"
#include "virtual_vdev_stream.h"

namespace mirage {

CVirtualVDev::CVirtualVDev(HRESULT* hr) : CLiveSource(kClsid) {
  auto* pin = new (std::nothrow) CVirtualVDevStream(hr, this, kPinName);
  if (pin == nullptr) {
    *hr = E_OUTOFMEMORY;
    return;
  }
  AddPin(pin);
}

IUnknown* CVirtualVDev::CreateInstance(HRESULT* hr) {
  *hr = S_OK;
  auto* filter = new (std::nothrow) CVirtualVDev(hr);
  if (filter == nullptr) *hr = E_OUTOFMEMORY;
  return filter != nullptr ? static_cast<IBaseFilter*>(filter) : nullptr;
}

CVirtualVDevStream* CVirtualVDev::Stream() const {
  return static_cast<CVirtualVDevStream*>(Pin(0));
}

}  // namespace mirage
