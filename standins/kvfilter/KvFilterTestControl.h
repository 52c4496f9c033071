/* Test-only control code of the KvUsbCameraFilter stand-in (not one of the driver's five
 * codes; the real driver does not have it). No USB camera is opened under test, so a test
 * tells the stand-in "program NAME opened the camera" or "closed it", and reads back what
 * the stand-in keeps. */
#ifndef KV_FILTER_TEST_CONTROL_H
#define KV_FILTER_TEST_CONTROL_H

#include "KvUsbCameraFilterIoctl.h"

#define IOCTL_KVTEST_CONTROL KV_FILTER_CTL_CODE(0x8F0) /* 0x2F23C0 */

enum {
  KVTEST_OP_OPENED = 1, /* Name opened the camera: both queries answer it, events are set */
  KVTEST_OP_CLOSED = 2, /* the camera is no longer used: both queries answer 0 bytes */
  KVTEST_OP_STATE = 3,  /* output: KV_TEST_STATE of the calling handle */
  KVTEST_OP_OPENING = 4 /* Name is opening the camera and not using it yet: only the opener
                           query answers it, events are set */
};

/* Input. For KVTEST_OP_OPENED and KVTEST_OP_OPENING, Name holds a zero-terminated name of 1 to
 * KV_FILTER_NAME_MAX - 1 bytes; the input may end right after its terminator. */
typedef struct KV_TEST_REQUEST {
  unsigned int Op;
  char Name[KV_FILTER_NAME_MAX];
} KV_TEST_REQUEST;

/* Output of KVTEST_OP_STATE. */
typedef struct KV_TEST_STATE {
  unsigned int EventHeld;     /* this handle holds an event (IOCTL_SET_EVENT_USBOPEN) */
  unsigned int EventSignals;  /* times this handle's event was set */
  unsigned int EventsHeld;    /* events held by all handles together */
  unsigned int OpenHandles;   /* handles open on the control device */
  unsigned int FreeRequests;  /* IOCTL_FREE_EVENT requests from all handles since the start */
  char AppName[KV_FILTER_NAME_MAX]; /* this handle's IOCTL_SET_MY_APPNAME, "" if none */
  char LastAppName[KV_FILTER_NAME_MAX]; /* the latest IOCTL_SET_MY_APPNAME of any handle */
} KV_TEST_STATE;

#define KV_TEST_REQUEST_HEADER 4

#ifdef __cplusplus
#include <cstddef>
static_assert(IOCTL_KVTEST_CONTROL == 0x2F23C0, "control code");
static_assert(offsetof(KV_TEST_REQUEST, Name) == KV_TEST_REQUEST_HEADER, "request layout");
static_assert(offsetof(KV_TEST_STATE, AppName) == 20 && offsetof(KV_TEST_STATE, LastAppName) == 20 + KV_FILTER_NAME_MAX,
              "state layout");
static_assert(sizeof(KV_TEST_REQUEST) == 4 + KV_FILTER_NAME_MAX, "request layout");
static_assert(sizeof(KV_TEST_STATE) == 20 + 2 * KV_FILTER_NAME_MAX, "state layout");
#else
_Static_assert(sizeof(KV_TEST_REQUEST) == 4 + KV_FILTER_NAME_MAX, "request layout");
_Static_assert(sizeof(KV_TEST_STATE) == 20 + 2 * KV_FILTER_NAME_MAX, "state layout");
#endif

#endif
