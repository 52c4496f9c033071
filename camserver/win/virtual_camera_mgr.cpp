#include "virtual_camera_mgr.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "Tremor.h"
#include "capture_devices.h"
#include "log_file.h"

namespace lantern {

namespace {

std::mutex g_instanceLock;
VirtualCameraMgr* g_manager = nullptr;

// Motion reports reach cameras through this table, never through the manager lock: a
// camera being destroyed under the manager lock waits for its detector thread to stop.
std::mutex g_alarmRoutesLock;
CVirtualCamera* g_alarmRoutes[kMaxCameras] = {};

int __cdecl OnDetectorMotion(int state, int channel, const char*) {
  std::lock_guard<std::mutex> guard(g_alarmRoutesLock);
  if (channel >= 0 && channel < kMaxCameras && g_alarmRoutes[channel])
    g_alarmRoutes[channel]->OnMotion(state);
  return 0;
}

void SetAlarmRoute(int index, CVirtualCamera* camera) {
  std::lock_guard<std::mutex> guard(g_alarmRoutesLock);
  g_alarmRoutes[index] = camera;
}

char g_serverHost[32] = {};
unsigned long g_serverPort = 0;

void StartWinsock() {
  WSADATA data;
  WORD version = MAKEWORD(2, 2);
  if (WSAStartup(version, &data) != 0) {
    std::printf("Windows sockets 2.2 startup");
    return;
  }
  std::printf("Using %s (Status: %s)\n", data.szDescription, data.szSystemStatus);
  std::printf("with API versions %d.%d to %d.%d\n\n", LOBYTE(data.wVersion), HIBYTE(data.wVersion),
              LOBYTE(data.wHighVersion), HIBYTE(data.wHighVersion));
}

}  // namespace

VirtualCameraMgr& VirtualCameraMgr::Instance() {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  if (!g_manager) {
    StartWinsock();
    g_manager = new VirtualCameraMgr();
  }
  return *g_manager;
}

bool VirtualCameraMgr::Exists() {
  std::lock_guard<std::mutex> guard(g_instanceLock);
  return g_manager != nullptr;
}

void VirtualCameraMgr::Destroy() {
  VirtualCameraMgr* manager;
  {
    std::lock_guard<std::mutex> guard(g_instanceLock);
    manager = g_manager;
    g_manager = nullptr;
  }
  delete manager;
  ClearCaptureDevices();
}

void VirtualCameraMgr::SetServer(const char* host, unsigned long port) {
  std::snprintf(g_serverHost, sizeof g_serverHost, "%s", host ? host : "");
  g_serverPort = port & 0xFFFF;
}

VirtualCameraMgr::VirtualCameraMgr() {
  RegisterEventWarning(&OnDetectorMotion);
  ::SetThreshold(30);
  // One detector channel per camera index the manager can hand out.
  SetCapNums(kMaxCameras);
}

VirtualCameraMgr::~VirtualCameraMgr() {
  LibraryLog().Write("Start delete VirtualCameraMgr");
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (auto& entry : cameras_) {
    SetAlarmRoute(entry.second->cameraIndex(), nullptr);
    delete entry.second;
  }
  cameras_.clear();
}

int VirtualCameraMgr::TakeCameraIndex() {
  for (int i = 0; i < kMaxCameras; ++i) {
    if (!indexUsed_[i]) {
      indexUsed_[i] = true;
      return i;
    }
  }
  return -1;
}

void* VirtualCameraMgr::Create(const char* name, int index, const char* localAddress, int type) {
  void* const kFailed = reinterpret_cast<void*>(-1);
  if (name == nullptr) return kFailed;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto found = cameras_.find(name);
  if (found != cameras_.end()) return found->second;

  if (type == static_cast<int>(CameraKind::kCapture)) {
    int count = GetCaptureDeviceCount();
    if (index < 0 || index >= count) return nullptr;
  } else if (type != static_cast<int>(CameraKind::kNone) &&
             type != static_cast<int>(CameraKind::kScreen)) {
    return kFailed;
  }

  int cameraIndex = TakeCameraIndex();
  if (cameraIndex < 0) return kFailed;
  CVirtualCamera* camera = nullptr;
  switch (static_cast<CameraKind>(type)) {
    case CameraKind::kNone:
      camera = new (std::nothrow) CVirtualCamera(name, localAddress, cameraIndex, clock_);
      break;
    case CameraKind::kScreen:
      camera = new (std::nothrow) CScreenVirtualCamera(name, localAddress, cameraIndex, clock_);
      break;
    case CameraKind::kCapture:
      camera = CreateCaptureCamera(name, index, localAddress, cameraIndex, clock_);
      break;
  }
  if (camera == nullptr) {
    indexUsed_[cameraIndex] = false;
    return kFailed;
  }
  camera->ConnectServer(g_serverHost, g_serverPort);
  cameras_.emplace(name, camera);
  SetAlarmRoute(cameraIndex, camera);
  return camera;
}

int VirtualCameraMgr::Stop(const char* name) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto found = name ? cameras_.find(name) : cameras_.end();
  if (found == cameras_.end()) {
    LibraryLog().Write("don't find %s virtual camera when stop virtual camera", name ? name : "");
    return 0;
  }
  CVirtualCamera* camera = found->second;
  int deletedIndex = camera->cameraIndex();
  cameras_.erase(found);
  SetAlarmRoute(camera->cameraIndex(), nullptr);
  delete camera;
  indexUsed_[deletedIndex] = false;
  return 1;
}

int VirtualCameraMgr::Stop(void* handle) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (auto& entry : cameras_) {
    if (entry.second == handle) return Stop(entry.first.c_str());
  }
  return 0;
}

int VirtualCameraMgr::Status(const char* name) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  CVirtualCamera* camera = Find(name);
  if (camera == nullptr) {
    LibraryLog().Write("don't get virtual camera Status");
    return 0;
  }
  return camera->IsRegistered() ? 1 : 0;
}

CVirtualCamera* VirtualCameraMgr::Find(const char* name) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (name == nullptr) return nullptr;
  auto found = cameras_.find(name);
  return found == cameras_.end() ? nullptr : found->second;
}

}  // namespace lantern
