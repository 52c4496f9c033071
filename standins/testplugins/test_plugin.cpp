// A camera-handle plug-in for tests: implements ICameraHandle without a camera and records
// every call. Built once per family (TEST_PLUGIN_FAMILY).
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "CamShare.h"
#include "test_plugin_log.h"

#ifndef TEST_PLUGIN_FAMILY
#define TEST_PLUGIN_FAMILY "quil"
#endif

namespace {

TestPluginLog g_log;
long g_openResult = 1;
CRITICAL_SECTION g_lock;

class RecordingHandle;
RecordingHandle* g_lastOpened = nullptr;

class RecordingHandle : public ICameraHandle {
 public:
  ~RecordingHandle() override {
    EnterCriticalSection(&g_lock);
    ++g_log.destroyed;
    if (g_lastOpened == this) g_lastOpened = nullptr;
    LeaveCriticalSection(&g_lock);
  }
  long Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) override {
    EnterCriticalSection(&g_lock);
    ++g_log.opened;
    std::memcpy(g_log.lastOpenName, camera->name, sizeof g_log.lastOpenName);
    callback_ = callback;
    user_ = user;
    real_ = g_openResult;
    g_lastOpened = this;
    LeaveCriticalSection(&g_lock);
    return real_;
  }
  void Close() override {
    ++g_log.closed;
    real_ = -1;
  }
  long GetRealHandle() override { return real_; }
  void ReOpen() override {
    ++g_log.reopened;
    real_ = g_openResult;
  }
  int PTZCtrl(int command, int param, int reserved, char* data, int length) override {
    ++g_log.ptz;
    g_log.lastPtzCommand = command;
    g_log.lastPtzParam = param;
    g_log.lastPtzReserved = reserved;
    g_log.lastPtzLength = length;
    g_log.lastPtzHadData = data != nullptr;
    std::memset(g_log.lastPtzData, 0, sizeof g_log.lastPtzData);
    if (data != nullptr && length > 0)
      std::memcpy(g_log.lastPtzData, data, std::min(sizeof g_log.lastPtzData, static_cast<size_t>(length)));
    return 1;
  }
  int GetMotionPara(char* name, char* ip, char channel, char* user, char* password,
                    KV_CHANNMOTION* out, uint16_t port) override {
    ++g_log.getMotion;
    RecordMotionArguments(name, ip, channel, user, password, port);
    out->motionArmed = 1;
    out->schedule[6].day = static_cast<unsigned char>(channel);
    out->schedule[6].endHour = static_cast<unsigned char>(port & 0xFF);
    return 1;
  }
  int SetMotionPara(char* name, char* ip, char channel, char* user, char* password,
                    KV_CHANNMOTION* in, uint16_t port) override {
    ++g_log.setMotion;
    RecordMotionArguments(name, ip, channel, user, password, port);
    g_log.motionSetArmed = in->motionArmed;
    g_log.motionSetEndHour = in->schedule[6].endHour;
    return in->motionArmed == 1 ? 1 : 0;
  }

  static void RecordMotionArguments(const char* name, const char* ip, char channel, const char* user,
                                    const char* password, uint16_t port) {
    auto copy = [](char (&field)[32], const char* text) {
      std::memset(field, 0, sizeof field);
      if (text != nullptr) std::strncpy(field, text, sizeof field - 1);
    };
    copy(g_log.motionName, name);
    copy(g_log.motionIp, ip);
    copy(g_log.motionUser, user);
    copy(g_log.motionPassword, password);
    g_log.motionChannel = static_cast<unsigned char>(channel);
    g_log.motionPort = port;
  }

  int Raise(long realHandle, int event, int value) {
    if (callback_ == nullptr) return 0;
    callback_(realHandle, event, value, user_);
    return 1;
  }

 private:
  CameraEventCallBack callback_ = nullptr;
  void* user_ = nullptr;
  long real_ = -1;
};

void ResetLog() {
  std::memset(&g_log, 0, sizeof g_log);
  std::strncpy(g_log.family, TEST_PLUGIN_FAMILY, sizeof g_log.family - 1);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    InitializeCriticalSection(&g_lock);
    ResetLog();
  } else if (reason == DLL_PROCESS_DETACH) {
    DeleteCriticalSection(&g_lock);
  }
  return TRUE;
}

extern "C" {

#ifndef TEST_PLUGIN_NO_FACTORY
__declspec(dllexport) ICameraHandle* CreateKVCameraHandleObject() {
  ++g_log.created;
  return new RecordingHandle;
}
#endif

__declspec(dllexport) void TestPluginGetLog(TestPluginLog* out) { *out = g_log; }

__declspec(dllexport) void TestPluginReset(long openResult) {
  ResetLog();
  g_openResult = openResult;
}

__declspec(dllexport) int TestPluginRaise(long realHandle, int event, int value) {
  EnterCriticalSection(&g_lock);
  RecordingHandle* handle = g_lastOpened;
  LeaveCriticalSection(&g_lock);
  return handle != nullptr ? handle->Raise(realHandle, event, value) : 0;
}

}  // extern "C"
