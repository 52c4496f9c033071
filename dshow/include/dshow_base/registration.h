// Registry entries of an in-process COM server and filter-mapper registration of a
// filter, optionally as a device in a category such as CLSID_VideoInputDeviceCategory.
#pragma once

#include "dshow_base/com_object.h"

#include <dshow.h>

namespace dshow {

// HKCR\CLSID\{clsid} (default = name) and its InprocServer32 (default = the module's
// path, ThreadingModel).
HRESULT RegisterComServer(REFCLSID clsid, const wchar_t* name, HMODULE module,
                          const wchar_t* threadingModel = L"Both");
// Removes HKCR\CLSID\{clsid} with its subkeys; an absent key counts as removed.
HRESULT UnregisterComServer(REFCLSID clsid);

// Filter data for a source with one output pin "Output" of MEDIATYPE_Video (any subtype),
// version 1. The pin data is static; the record may be copied.
REGFILTER2 VideoSourceFilterData(DWORD merit);

// IFilterMapper2::RegisterFilter. A null category means the default DirectShow filter
// category; a null instance name makes the CLSID the instance key.
HRESULT RegisterFilter(REFCLSID clsid, const wchar_t* name, const CLSID* category,
                       const wchar_t* instance, const REGFILTER2& data);
// IFilterMapper2::UnregisterFilter with the same category and instance name as the
// registration; an absent entry (0x80070002) counts as removed.
HRESULT UnregisterFilter(REFCLSID clsid, const CLSID* category, const wchar_t* instance);
// Removes every instance of `clsid` in `category`, whatever its instance name.
// S_OK, also when there was none.
HRESULT UnregisterAllInstances(REFCLSID clsid, REFCLSID category);

}  // namespace dshow
