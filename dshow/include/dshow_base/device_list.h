// The devices of a DirectShow category (e.g. video input devices) as the system device
// enumerator lists them.
#pragma once

#include <string>
#include <vector>

#include "dshow_base/com_object.h"

#include <dshow.h>

namespace dshow {

struct DeviceEntry {
  std::wstring friendlyName;
  std::wstring displayName;   // "@device:sw:{category}\<instance name>" for software devices
  std::wstring instanceName;  // the display name after its last backslash
  CLSID clsid = GUID_NULL;    // the filter's CLSID from the "CLSID" value
};

// S_OK with the devices in enumeration order; S_FALSE with none.
HRESULT ListDevices(REFCLSID category, std::vector<DeviceEntry>* devices);
// Creates the filter of the first device whose friendly name equals `friendlyName`,
// binding its moniker in-process (no display-name parsing, which starts a helper process
// under Wine). VFW_E_NOT_FOUND when there is none.
HRESULT CreateDeviceFilter(REFCLSID category, const wchar_t* friendlyName,
                           IBaseFilter** filter);

}  // namespace dshow
