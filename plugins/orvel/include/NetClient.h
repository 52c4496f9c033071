// NetClient: the orvel camera vendor's client library, outside the delivered set. Its
// functions are __stdcall and are imported by ordinal only (NetClient.def, no names), so
// the names below are ours. The ordinal of each is given beside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CamShare.h"

#define NETCLIENT_CALL __stdcall

// The connection record of ordinal 5. The library reads it during the call only.
// 32-bit layout, fixed by the library (92 bytes):
//   0 name text   4 user text   8 password text   12 uint16 3   14 uint16 1   16 uint8 0
//   20, 24, 28 uint32 0   32 uint32 20   36 8 bytes 0   44 ip text [40]   84 callback   88 user
// 64-bit layout, the same fields in natural alignment (112 bytes):
//   0 name   8 user   16 password   24 uint16   26 uint16   28 uint8   32, 36, 40 uint32
//   44 uint32 20   48 8 bytes   56 ip text [40]   96 callback   104 user
// Each text pointer names a 40-byte block.
struct NETCLIENT_CONNECT_INFO {
  char* name;
  char* userName;
  char* password;
  uint16_t streamType;   // 3
  uint16_t channelCount; // 1
  uint8_t transport;     // 0
  uint32_t reserved1;
  uint32_t reserved2;
  uint32_t reserved3;
  uint32_t timeoutSeconds;  // 20
  uint8_t reserved4[8];
  char ip[40];
  CameraEventCallBack callback;  // (connection handle, event, value, user)
  void* user;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(NETCLIENT_CONNECT_INFO, userName) == 4, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, streamType) == 12, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, channelCount) == 14, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, transport) == 16, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, reserved1) == 20, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, timeoutSeconds) == 32, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, reserved4) == 36, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, ip) == 44, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, callback) == 84, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, user) == 88, "NETCLIENT_CONNECT_INFO layout");
static_assert(sizeof(NETCLIENT_CONNECT_INFO) == 92, "NETCLIENT_CONNECT_INFO layout");
#else
static_assert(offsetof(NETCLIENT_CONNECT_INFO, userName) == 8, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, streamType) == 24, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, channelCount) == 26, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, transport) == 28, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, reserved1) == 32, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, timeoutSeconds) == 44, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, reserved4) == 48, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, ip) == 56, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, callback) == 96, "NETCLIENT_CONNECT_INFO layout");
static_assert(offsetof(NETCLIENT_CONNECT_INFO, user) == 104, "NETCLIENT_CONNECT_INFO layout");
static_assert(sizeof(NETCLIENT_CONNECT_INFO) == 112, "NETCLIENT_CONNECT_INFO layout");
#endif

constexpr size_t kNetClientTextBlock = 40;
constexpr size_t kNetClientStreamInfoSize = 120;  // ordinal 41's information record
constexpr int kNetClientStreamSizeWord = 5;       // its 32-bit word holding the size code

// Decoded frames (ordinal 11): Y, U and V planes of a 4:2:0 picture, rows without gaps; the
// luma and chroma row lengths; width, height; the context given to ordinal 11.
typedef void(NETCLIENT_CALL* NetClientFrameCallBack)(unsigned char* y, unsigned char* u, unsigned char* v,
                                                      int yStride, int uvStride, int width, int height,
                                                      void* context);

extern "C" {
int NETCLIENT_CALL NC_Startup(int a, int b, int c, int d, int e);             // 1
int NETCLIENT_CALL NC_Configure(int a, int b);                                 // 3: 0 refuses
int NETCLIENT_CALL NC_Cleanup();                                               // 4
long NETCLIENT_CALL NC_Connect(const char* ip, NETCLIENT_CONNECT_INFO* info,   // 5: handle or -1
                               uint16_t port, int reserved);
int NETCLIENT_CALL NC_Disconnect(long handle);                                 // 6
int NETCLIENT_CALL NC_StopStream(long handle);                                 // 8
int NETCLIENT_CALL NC_SetPlayWindow(long handle, void* window);                // 9
int NETCLIENT_CALL NC_SetFrameCallBack(long handle, NetClientFrameCallBack callback,
                                       void* context);                         // 11
int NETCLIENT_CALL NC_PTZControl(long handle, int command, int param, int a, int b, int c);  // 20
int NETCLIENT_CALL NC_GetStreamInfo(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, void* info, uint16_t port);        // 41: 1 done
int NETCLIENT_CALL NC_GetMotionPara(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, KV_CHANNMOTION* out, uint16_t port);  // 45
int NETCLIENT_CALL NC_SetMotionPara(const char* name, const char* ip, int channel, const char* user,
                                    const char* password, KV_CHANNMOTION* in, uint16_t port);   // 46
int NETCLIENT_CALL NC_StopAll();                                               // 71
int NETCLIENT_CALL NC_StopRealPlay(long handle);                               // 112
int NETCLIENT_CALL NC_StartSession(long handle, int a);                        // 141
}
