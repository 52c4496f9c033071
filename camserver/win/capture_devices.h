// The process-wide list of local video capture devices, in display-name order.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

#include "common/clock.h"

namespace lantern {

class CVirtualCamera;

// Re-enumerates the devices; the number counted.
int GetCaptureDeviceCount();
// Display and friendly name of the n-th listed device; false when out of range. The
// returned pointers stay valid until the next enumeration.
bool GetCaptureDeviceNames(int index, const char** displayName, const char** friendlyName);
// The n-th listed device's moniker (one reference for the caller) and display name.
IMoniker* AcquireCaptureDevice(int index, std::string* displayName);
// Empties the list, releasing every device.
void ClearCaptureDevices();

// A camera showing the device at `deviceIndex`; null when its capture cannot be built.
CVirtualCamera* CreateCaptureCamera(const char* name, int deviceIndex, const char* localAddress,
                                    int cameraIndex, const common::Clock* clock);

}  // namespace lantern
