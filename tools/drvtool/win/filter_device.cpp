#include "filter_device.h"

#include <cstring>

#include "KvUsbCameraFilterIoctl.h"

namespace drvtool {

CFilterDevice::CFilterDevice() { InitializeCriticalSection(&lock_); }

CFilterDevice::~CFilterDevice() {
  Close();
  DeleteCriticalSection(&lock_);
}

bool CFilterDevice::Open() {
  EnterCriticalSection(&lock_);
  if (h_ == INVALID_HANDLE_VALUE)
    h_ = CreateFileW(KV_FILTER_DEVICE_PATH_W, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  bool ok = h_ != INVALID_HANDLE_VALUE;
  DWORD error = GetLastError();
  LeaveCriticalSection(&lock_);
  SetLastError(error);
  return ok;
}

void CFilterDevice::Close() {
  EnterCriticalSection(&lock_);
  if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  h_ = INVALID_HANDLE_VALUE;
  LeaveCriticalSection(&lock_);
}

bool CFilterDevice::IsOpen() {
  EnterCriticalSection(&lock_);
  bool open = h_ != INVALID_HANDLE_VALUE;
  LeaveCriticalSection(&lock_);
  return open;
}

bool CFilterDevice::Control(DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen, DWORD* bytes) {
  EnterCriticalSection(&lock_);
  DWORD n = 0;
  BOOL ok = FALSE;
  DWORD error = ERROR_INVALID_HANDLE;
  if (h_ != INVALID_HANDLE_VALUE) {
    ok = DeviceIoControl(h_, code, const_cast<void*>(in), inLen, out, outLen, &n, nullptr);
    error = ok ? 0 : GetLastError();
  }
  LeaveCriticalSection(&lock_);
  if (bytes) *bytes = ok ? n : 0;
  SetLastError(error);
  return ok != FALSE;
}

bool CFilterDevice::QueryName(DWORD code, std::string* name, DWORD* bytes) {
  char out[KV_FILTER_NAME_MAX];
  if (!Control(code, nullptr, 0, out, sizeof out, bytes)) return false;
  // The count comes from the driver: never read past what it may have written.
  DWORD n = *bytes < sizeof out ? *bytes : sizeof out;
  name->assign(out, strnlen(out, n));
  return true;
}

}  // namespace drvtool
