// The exported functions: thin, exception-proof entries into the camera manager.
#include "Lantern.h"

#include <cstdio>
#include <cstring>

#include "capture_devices.h"
#include "log_file.h"
#include "virtual_camera_mgr.h"

using lantern::VirtualCameraMgr;

namespace {

template <typename Result, typename Call>
Result Guarded(Result onFailure, Call call) {
  try {
    return call();
  } catch (...) {
    return onFailure;
  }
}

void CopyBounded(char* buffer, unsigned size, const char* text) {
  if (buffer == nullptr || size == 0) return;
  std::snprintf(buffer, size, "%s", text);
}

}  // namespace

void* CreateLantern(char const* name, int index, char const* localAddress,
                    _virtual_camera_type type) {
  return Guarded<void*>(reinterpret_cast<void*>(-1), [&] {
    return VirtualCameraMgr::Instance().Create(name, index, localAddress, static_cast<int>(type));
  });
}

int StopVirtualCamera(char const* name) {
  return Guarded(0, [&] { return VirtualCameraMgr::Instance().Stop(name); });
}

int StopVirtualCamera(void* handle) {
  return Guarded(0, [&] { return VirtualCameraMgr::Instance().Stop(handle); });
}

int StopVirtualCameraServer() {
  return Guarded(1, [] {
    VirtualCameraMgr::Destroy();
    return 1;
  });
}

int SetServerAddres(char const* host, unsigned long port) {
  VirtualCameraMgr::SetServer(host, port);
  return 1;
}

int GetVideoCapCount() {
  return Guarded(0, [] { return lantern::GetCaptureDeviceCount(); });
}

char* GetVideoCapName(int index, char* buffer, unsigned size) {
  return Guarded<char*>(nullptr, [&]() -> char* {
    const char* display = nullptr;
    const char* friendly = nullptr;
    if (!lantern::GetCaptureDeviceNames(index, &display, &friendly)) return nullptr;
    CopyBounded(buffer, size, display);
    lantern::LibraryLog().Write("the %dnd video capture Friendly Name:%s,device Name:%s\r\n", index,
                                (buffer && *buffer) ? buffer : "error", friendly);
    return const_cast<char*>(friendly);
  });
}

char* GetVideoDeviceName(int index, char* buffer, unsigned size) {
  return Guarded<char*>(nullptr, [&]() -> char* {
    if (buffer && size) std::memset(buffer, 0, size);
    const char* display = nullptr;
    const char* friendly = nullptr;
    if (!lantern::GetCaptureDeviceNames(index, &display, &friendly)) return nullptr;
    return const_cast<char*>(display);
  });
}

int GetVirtualCameraStatus(char const* name) {
  return Guarded(0, [&] { return VirtualCameraMgr::Instance().Status(name); });
}

CLantern::CLantern() {}

CLantern& CLantern::operator=(const CLantern& other) {
  m_nValue = other.m_nValue;
  return *this;
}
