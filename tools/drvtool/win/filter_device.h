// The filter driver's control device, shared by the dialog thread and the monitor thread:
// a lock keeps the handle from being closed under a request in flight.
#pragma once

#include <windows.h>

#include <string>

namespace drvtool {

class CFilterDevice {
 public:
  CFilterDevice();
  ~CFilterDevice();
  CFilterDevice(const CFilterDevice&) = delete;
  CFilterDevice& operator=(const CFilterDevice&) = delete;

  // Opens the device unless it is open; false with the error in GetLastError().
  bool Open();
  void Close();
  bool IsOpen();
  // One request; false with the error in GetLastError() (also when the device is closed).
  bool Control(DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen, DWORD* bytes);
  // A name query: true with the name (8-bit text) and the returned byte count.
  bool QueryName(DWORD code, std::string* name, DWORD* bytes);

 private:
  CRITICAL_SECTION lock_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace drvtool
