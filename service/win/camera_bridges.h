// The controller's camera server over Lantern's exports, and the IP camera list over
// Rookery's camera manager (texts converted from and to the system code page).
#pragma once

#include "camera_controller.h"
#include "ip_camera.h"

class CamSearchMgr;

namespace lookout {

class LanternCameraServer : public CameraServer {
 public:
  int DeviceCount() override;
  std::wstring DeviceFriendlyName(int index, std::wstring* displayName) override;
  std::wstring DeviceName(int index) override;
  CreateResult CreateCamera(const std::wstring& guid, int index) override;
  bool StopCamera(const std::wstring& guid) override;
};

class RookeryCameraList : public IpCameraList {
 public:
  explicit RookeryCameraList(CamSearchMgr* manager) : m_manager(manager) {}
  unsigned Count() override;
  bool Record(unsigned index, IpCameraRecord* record) override;
  void StoreCredentials(unsigned index, const std::wstring& user, const std::wstring& password) override;
  std::wstring CameraString(unsigned index) override;
  bool IsUsing(const std::wstring& cameraString) override;
  void AddToUsing(const std::wstring& cameraString) override;
  void RemoveFromUsing(const std::wstring& cameraString) override;

 private:
  CamSearchMgr* m_manager;
};

// Copies text into a fixed 8-bit field (system code page), at most size - 1 bytes and never
// half of a double-byte character, zero-padded.
void CopyToField(char* field, size_t size, const std::wstring& text);

}  // namespace lookout
