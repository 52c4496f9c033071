// IKsPropertySet::Get for AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY, which capture
// graph builders use to find a source's capture or preview pin.
#pragma once

#include "dshow_base/com_object.h"

#include <dshow.h>

namespace dshow {

// E_PROP_SET_UNSUPPORTED / E_PROP_ID_UNSUPPORTED for other properties; E_POINTER when
// both `data` and `returned` are null; E_UNEXPECTED when `data` is shorter than a GUID.
// `*returned` is sizeof(GUID) whenever given.
HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data,
                       DWORD dataSize, DWORD* returned);
// KSPROPERTY_SUPPORT_GET for the pin category, E_PROP_* otherwise.
HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support);

}  // namespace dshow
