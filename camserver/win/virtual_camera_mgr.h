// The process-wide owner of every virtual camera, keyed by camera name.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "common/clock.h"
#include "virtual_camera.h"

namespace lantern {

// Camera indices are the motion detector's channels: a fixed number of them, and the index
// of a destroyed camera is handed out again.
constexpr int kMaxCameras = 16;

class VirtualCameraMgr {
 public:
  // The manager, made on first use (with Winsock started).
  static VirtualCameraMgr& Instance();
  static bool Exists();
  // Destroys every camera and the manager.
  static void Destroy();

  // Results as the exported CreateLantern: the camera, 0 for a device index out of range,
  // (void*)-1 on failure.
  void* Create(const char* name, int index, const char* localAddress, int type);
  int Stop(const char* name);
  int Stop(void* handle);
  int Status(const char* name);

  // Where new cameras register.
  static void SetServer(const char* host, unsigned long port);
  // For tests: the clock new cameras use (null: the system tick counter).
  void SetClockForNewCameras(const common::Clock* clock) { clock_ = clock; }
  CVirtualCamera* Find(const char* name);

 private:
  VirtualCameraMgr();
  ~VirtualCameraMgr();
  int TakeCameraIndex();

  std::recursive_mutex lock_;  // held for the whole of every operation
  std::map<std::string, CVirtualCamera*> cameras_;
  bool indexUsed_[kMaxCameras] = {};
  const common::Clock* clock_ = nullptr;
};

}  // namespace lantern
