/* A 32-bit caller of the filter driver, for the 64-bit build: it uses the 4-byte event
 * record a 32-bit program sends. Exits 0 when every step worked, else the step's number
 * (10 and up). */
#include <windows.h>

#include <string.h>

#include "KvFilterTestControl.h"

static HANDLE g_device;

static BOOL Control(DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen, DWORD* bytes) {
  DWORD n = 0;
  BOOL ok = DeviceIoControl(g_device, code, (void*)in, inLen, out, outLen, &n, NULL);
  if (bytes) *bytes = n;
  return ok;
}

int main(void) {
  static const char kName[] = "Caller32.exe";
  KV_EVENT_HANDLE_RECORD32 record;
  KV_TEST_REQUEST req;
  KV_TEST_STATE state;
  char out[KV_FILTER_NAME_MAX];
  DWORD n = 0;
  HANDLE ev;

  if (sizeof(void*) != 4) return 10;
  g_device = CreateFileA(KV_FILTER_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (g_device == INVALID_HANDLE_VALUE) return 11;
  if (!Control(IOCTL_SET_MY_APPNAME, kName, sizeof kName, NULL, 0, NULL)) return 12;
  ev = CreateEventA(NULL, FALSE, FALSE, NULL);
  record.hEvent = (unsigned int)(ULONG_PTR)ev;
  if (!Control(IOCTL_SET_EVENT_USBOPEN, &record, sizeof record, NULL, 0, NULL)) return 13;

  memset(&req, 0, sizeof req);
  req.Op = KVTEST_OP_OPENED;
  memcpy(req.Name, kName, sizeof kName);
  if (!Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER + sizeof kName, NULL, 0, NULL)) return 14;
  if (WaitForSingleObject(ev, 5000) != WAIT_OBJECT_0) return 15;
  if (WaitForSingleObject(ev, 0) != WAIT_TIMEOUT) return 16;
  if (!Control(IOCTL_GET_USING_APPNAME, NULL, 0, out, sizeof out, &n) || n != sizeof kName || strcmp(out, kName))
    return 17;
  if (!Control(IOCTL_GET_OPENING_APPNAME, NULL, 0, out, sizeof out, &n) || n != sizeof kName || strcmp(out, kName))
    return 18;

  req.Op = KVTEST_OP_STATE;
  if (!Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, &state, sizeof state, &n) || n != sizeof state)
    return 19;
  if (state.EventHeld != 1 || state.EventSignals != 1 || strcmp(state.AppName, kName)) return 20;
  if (!Control(IOCTL_FREE_EVENT, NULL, 0, NULL, 0, NULL)) return 21;
  if (!Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, &state, sizeof state, &n) || state.EventHeld)
    return 22;
  req.Op = KVTEST_OP_CLOSED;
  if (!Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, NULL, 0, NULL)) return 23;
  CloseHandle(ev);
  CloseHandle(g_device);
  return 0;
}
