// Names a local capture device: the device key (map key and settings value) from its
// display name, and the GUID under which it is published, given once and kept.
#pragma once

#include <string>

namespace lookout {

constexpr wchar_t kNoDeviceKey[] = L"[Noname]";

// "@device:pnp:\\?\usb#vid_046d&pid_0825&mi_00#6&2b6a5f1&0&0000#{...}\global" gives
// "usb046d08250062b6a5f100000"; a path without "#{" after its first character gives
// "[Noname]".
std::wstring MakeDeviceKey(const std::wstring& devicePath);

// The sum of the host name's bytes, each taken as a signed 8-bit value.
int HostNameSum(const std::string& hostName);

// "kv" + the vendor and product part of the device name + the decimal host-name sum.
std::wstring MakeCameraGuid(const std::wstring& deviceName, const std::string& hostName);

}  // namespace lookout
