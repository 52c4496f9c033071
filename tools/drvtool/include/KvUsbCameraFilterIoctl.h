/* Control codes and control device of the USB camera filter driver KvUsbCameraFilter.
 * Shared by every program that talks to the driver, and by the driver stand-in, so it
 * includes no Windows header: C and C++, user and kernel mode. */
#ifndef KV_USB_CAMERA_FILTER_IOCTL_H
#define KV_USB_CAMERA_FILTER_IOCTL_H

/* Device type 0x2F, buffered transfer, any access. */
#define KV_FILTER_DEVICE_TYPE 0x2F
#define KV_FILTER_CTL_CODE(function) ((KV_FILTER_DEVICE_TYPE << 16) | ((function) << 2))

/* out: up to KV_FILTER_NAME_MAX bytes, the zero-terminated name of the program using the
 * camera; 0 bytes returned when no program uses it. */
#define IOCTL_GET_USING_APPNAME KV_FILTER_CTL_CODE(0x863) /* 0x2F218C */
/* in: the caller's program name, zero-terminated (length + 1 bytes). */
#define IOCTL_SET_MY_APPNAME KV_FILTER_CTL_CODE(0x864) /* 0x2F2190 */
/* in: KV_EVENT_HANDLE_RECORD, an automatic-reset event the driver signals when the camera
 * is opened. */
#define IOCTL_SET_EVENT_USBOPEN KV_FILTER_CTL_CODE(0x865) /* 0x2F2194 */
/* no buffers: the driver forgets the caller's event. */
#define IOCTL_FREE_EVENT KV_FILTER_CTL_CODE(0x866) /* 0x2F2198 */
/* out: up to KV_FILTER_NAME_MAX bytes, the name of the program that opened the camera. */
#define IOCTL_GET_OPENING_APPNAME KV_FILTER_CTL_CODE(0x867) /* 0x2F219C */

/* Output buffer callers pass to the two name queries; the longest name the driver keeps,
 * terminator included. */
#define KV_FILTER_NAME_MAX 1024

#define KV_FILTER_SERVICE_NAME "KvUsbCameraFilter"
#define KV_FILTER_SERVICE_NAME_W L"KvUsbCameraFilter"
/* Opened for reading and writing, without sharing, as an existing file. */
#define KV_FILTER_DEVICE_PATH "\\\\.\\KvUsbCameraFilter"
#define KV_FILTER_DEVICE_PATH_W L"\\\\.\\KvUsbCameraFilter"

/* Input of IOCTL_SET_EVENT_USBOPEN: the event handle as valid in the caller's process.
 * A 32-bit caller sends 4 bytes, a 64-bit caller 8 bytes (pointer-sized, naturally aligned);
 * the driver tells the two apart by the input length. Handle values fit in 32 bits and are
 * sign-extended when widened, so either form names the same handle. */
typedef struct KV_EVENT_HANDLE_RECORD32 {
  unsigned int hEvent;
} KV_EVENT_HANDLE_RECORD32;

typedef struct KV_EVENT_HANDLE_RECORD64 {
  unsigned long long hEvent;
} KV_EVENT_HANDLE_RECORD64;

typedef struct KV_EVENT_HANDLE_RECORD {
  void* hEvent; /* HANDLE */
} KV_EVENT_HANDLE_RECORD;

#ifdef __cplusplus
static_assert(IOCTL_GET_USING_APPNAME == 0x2F218C, "control code");
static_assert(IOCTL_SET_MY_APPNAME == 0x2F2190, "control code");
static_assert(IOCTL_SET_EVENT_USBOPEN == 0x2F2194, "control code");
static_assert(IOCTL_FREE_EVENT == 0x2F2198, "control code");
static_assert(IOCTL_GET_OPENING_APPNAME == 0x2F219C, "control code");
static_assert(sizeof(KV_EVENT_HANDLE_RECORD32) == 4, "32-bit event record");
static_assert(sizeof(KV_EVENT_HANDLE_RECORD64) == 8 && alignof(KV_EVENT_HANDLE_RECORD64) == 8,
              "64-bit event record");
static_assert(sizeof(KV_EVENT_HANDLE_RECORD) == sizeof(void*), "this build's event record");
#else
_Static_assert(IOCTL_GET_USING_APPNAME == 0x2F218C, "control code");
_Static_assert(IOCTL_GET_OPENING_APPNAME == 0x2F219C, "control code");
_Static_assert(sizeof(KV_EVENT_HANDLE_RECORD32) == 4, "32-bit event record");
_Static_assert(sizeof(KV_EVENT_HANDLE_RECORD64) == 8, "64-bit event record");
_Static_assert(sizeof(KV_EVENT_HANDLE_RECORD) == sizeof(void*), "this build's event record");
#endif

#endif
