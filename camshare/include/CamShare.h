// Types shared by Rookery, the camera-handle plug-ins and the virtual video device.
// Plain records with binding layouts; no platform header, so plug-ins and tests of any
// build can include it.
#pragma once

#include <cstddef>
#include <cstdint>

// One IP camera. Text is 8-bit in the system ANSI code page, NUL-terminated in its field.
struct CAMLIST_ITEM {
  unsigned char mac[6];  // identity bytes, no terminator
  char name[40];
  char ip[20];
  char submask[20];
  char gateway[20];
  char multiip[20];
  char dns[20];
  uint16_t localport;
  uint16_t webport;
  uint16_t multiport;
  uint16_t channel;
  char cameratype[20];  // camera family word; selects the plug-in
  char username[20];
  char userpassword[20];
  uint32_t lastSeen;  // tick count at insertion or at the last search answer
};

static_assert(offsetof(CAMLIST_ITEM, name) == 6, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, ip) == 46, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, dns) == 126, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, localport) == 146, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, channel) == 152, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, cameratype) == 154, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, userpassword) == 194, "CAMLIST_ITEM layout");
static_assert(offsetof(CAMLIST_ITEM, lastSeen) == 216, "CAMLIST_ITEM layout");
static_assert(sizeof(CAMLIST_ITEM) == 220, "CAMLIST_ITEM layout");

// One entry of the weekly motion-alarm schedule.
struct KV_MOTION_SCHEDULE {
  unsigned char startHour;    // 0-23
  unsigned char startMinute;  // 0, 15, 30 or 45
  unsigned char endHour;
  unsigned char endMinute;
  unsigned char day;  // 0-6 Monday..Sunday, 7 Mon-Fri, 8 Sat-Sun, 9 every day, else none
  unsigned char reserved[3];
};

// Per-channel motion-alarm parameters. The SDK camera plug-in hands the record to its
// vendor library unchanged; the bytes between the flag and the schedule are the SDK's.
struct KV_CHANNMOTION {
  unsigned char motionArmed;  // 1 on, 0 off
  unsigned char sdkData[407];
  KV_MOTION_SCHEDULE schedule[7];
};

static_assert(offsetof(KV_CHANNMOTION, schedule) == 408, "KV_CHANNMOTION layout");
static_assert(sizeof(KV_CHANNMOTION) == 464, "KV_CHANNMOTION layout");

// Camera events from a plug-in: (real handle, event, value, user value). Also the type of
// the callbacks registered with Rookery.
typedef void (*CameraEventCallBack)(long realHandle, int event, int value, void* user);

// A connection to one camera, made by a plug-in's factory and released with delete.
// The order of the virtual functions is binding: Rookery and the plug-ins are built apart.
class ICameraHandle {
 public:
  virtual ~ICameraHandle() {}
  // The real handle (never -1) on success, -1 on failure.
  virtual long Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) = 0;
  virtual void Close() = 0;
  virtual long GetRealHandle() = 0;
  virtual void ReOpen() = 0;
  virtual int PTZCtrl(int command, int param, int reserved, char* data, int length) = 0;
  virtual int GetMotionPara(char* name, char* ip, char channel, char* user, char* password,
                            KV_CHANNMOTION* out, uint16_t port) = 0;
  virtual int SetMotionPara(char* name, char* ip, char channel, char* user, char* password,
                            KV_CHANNMOTION* in, uint16_t port) = 0;
};

// The factory every plug-in exports undecorated as "CreateKVCameraHandleObject".
typedef ICameraHandle* (*CreateKVCameraHandleObjectProc)();

#define KV_CAMERA_FACTORY_NAME "CreateKVCameraHandleObject"
