// The COM server and filter entries, and one video input device per camera of Rookery's
// list, named by its camera string.
#pragma once

#include <windows.h>

namespace mirage {

// The server and filter entries, then a device for each camera. S_OK with no cameras;
// otherwise the first failure of a device, the others registered all the same.
HRESULT RegisterDevices(HMODULE module);
// Removes the server, the filter and every video input device of this filter, whatever
// their names; other filters' devices stay. S_FALSE when there are no video input devices.
HRESULT UnregisterDevices();

}  // namespace mirage
