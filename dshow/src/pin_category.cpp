#include "dshow_base/pin_category.h"

#include <cstring>

namespace dshow {

HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data,
                       DWORD dataSize, DWORD* returned) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (data == nullptr && returned == nullptr) return E_POINTER;
  if (returned != nullptr) *returned = sizeof(GUID);
  if (data == nullptr) return S_OK;
  if (dataSize < sizeof(GUID)) return E_UNEXPECTED;
  memcpy(data, &category, sizeof(GUID));
  return S_OK;
}

HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support != nullptr) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

}  // namespace dshow
