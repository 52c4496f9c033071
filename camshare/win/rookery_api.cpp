// The singleton and the exported functions: play handles, event callbacks, PTZ and motion
// parameters. No exception leaves the library.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

#include "Rookery.h"
#include "play_table.h"
#include "rookery_state.h"

using namespace camshare;
using namespace camshare::win;

namespace {

class LoadedPlugins : public PluginDirectory {
 public:
  CreateKVCameraHandleObjectProc FactoryFor(const char* type) override {
    CameraDllInstance* instance = CamSearchMgr::FindCameraInstance(const_cast<char*>(type));
    return instance != nullptr ? instance->factory : nullptr;
  }
};

CAMLIST_ITEM* CameraOf(const wchar_t* cameraString) {
  CamSearchMgr* manager = CamSearchMgr::GetInstance(nullptr);
  return manager != nullptr ? manager->GetCamInfoFromString(cameraString) : nullptr;
}

}  // namespace

CamSearchMgr* CamSearchMgr::GetInstance(const wchar_t* mode) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    std::printf("Windows sockets 2.2 startup");
  } else {
    std::printf("Using %s (Status: %s)\n", data.szDescription, data.szSystemStatus);
    std::printf("with API versions %d.%d to %d.%d\n\n", LOBYTE(data.wVersion), HIBYTE(data.wVersion),
                LOBYTE(data.wHighVersion), HIBYTE(data.wHighVersion));
  }
  if (Singleton() != nullptr) return Singleton();
  try {
    CamSearchMgr* manager = new CamSearchMgr(mode);
    if (mode != nullptr) {
      std::wcsncpy(ModeBuffer(), mode, kModeCapacity - 1);
      ModeBuffer()[kModeCapacity - 1] = L'\0';
    }
    return manager;
  } catch (...) {
    return Singleton();
  }
}

void CamSearchMgr::ReleaseInstance() {
  CamSearchMgr* manager = Singleton();
  if (manager == nullptr) return;
  delete manager;  // clears the singleton
}

long GetRookeryHandle(const wchar_t* cameraString) {
  try {
    CAMLIST_ITEM* camera = CameraOf(cameraString);
    if (camera == nullptr) return kNoHandle;
    LoadedPlugins plugins;
    return Plays().GetHandle(camera, plugins);
  } catch (...) {
    return kNoHandle;
  }
}

long GetCameraRealHandle(long playHandle) {
  try {
    return Plays().RealHandle(playHandle);
  } catch (...) {
    return kNoHandle;
  }
}

void ReStartPlay(const wchar_t* cameraString) {
  CAMLIST_ITEM* camera = CameraOf(cameraString);
  if (camera != nullptr) Plays().ReOpen(camera);
}

void StopCameraPlay(const wchar_t* cameraString) {
  CAMLIST_ITEM* camera = CameraOf(cameraString);
  if (camera != nullptr) Plays().Close(camera);
}

void StopCameraPlay() { Plays().StopAll(); }

int AddRookeryCallBack(CameraEventCallBack callback, void* user) {
  try {
    return Registry().Add(callback, user);
  } catch (...) {
    return 0;
  }
}

int RemoveRookeryCallBack(CameraEventCallBack callback, void* user) {
  return Registry().Remove(callback, user);
}

int KV_VSNET_ClientPTZCtrl(long playHandle, int command, int param, int reserved, char* data,
                           int length) {
  try {
    return Plays().PTZCtrl(playHandle, command, param, reserved, data, length);
  } catch (...) {
    return -1;
  }
}

int CS_VSNET_ClientGetMotionPara(char* cameraType, char* name, char* ip, char channel, char* user,
                                 char* password, KV_CHANNMOTION* out, uint16_t port) {
  try {
    LoadedPlugins plugins;
    return GetMotionParameters(plugins, cameraType, name, ip, channel, user, password, out, port);
  } catch (...) {
    return 0;
  }
}

int CS_VSNET_ClientSetMotionPara(char* cameraType, char* name, char* ip, char channel, char* user,
                                 char* password, KV_CHANNMOTION* in, uint16_t port) {
  try {
    LoadedPlugins plugins;
    return SetMotionParameters(plugins, cameraType, name, ip, channel, user, password, in, port);
  } catch (...) {
    return 0;
  }
}
