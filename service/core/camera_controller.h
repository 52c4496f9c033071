// The camera controller: lists the capture devices, keeps them in the camera maps, picks the
// camera to publish (the user's choice, else the stored default, else the first one) and
// creates or stops its virtual camera. At most one local camera is published at a time.
// The camera server, the settings file and the windows are reached through interfaces.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "settings.h"

namespace lookout {

class PlatformClient;

constexpr int kCameraCommandFirst = 130;
constexpr int kCameraCommandCount = 10;  // 130 to 139
constexpr int kPublishingTimerId = 10000;
constexpr unsigned kPublishingTimerMs = 200;
constexpr wchar_t kCameraMenuTitle[] = L"选择摄像头";

// The capture devices and virtual cameras of the camera server (text in its code page is
// converted by the implementation).
class CameraServer {
 public:
  virtual ~CameraServer() = default;
  virtual int DeviceCount() = 0;
  // The friendly name (empty when the device has none); the display name in *displayName.
  virtual std::wstring DeviceFriendlyName(int index, std::wstring* displayName) = 0;
  // The display name as the device-name call returns it.
  virtual std::wstring DeviceName(int index) = 0;
  enum class CreateResult { Failed, IndexOutOfRange, Created };
  // A local capture device (type 2) published under `guid`.
  virtual CreateResult CreateCamera(const std::wstring& guid, int index) = 0;
  // False when the camera server did not stop it.
  virtual bool StopCamera(const std::wstring& guid) = 0;
};

struct CameraMenuItem {
  int command;
  std::wstring text;
};

class ControllerUi {
 public:
  virtual ~ControllerUi() = default;
  virtual int ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) = 0;
  // The platform's debug-output call.
  virtual void DebugOutput(const std::wstring& text) = 0;
  virtual void StopPublishingTimer() = 0;
  // Replaces the submenu "选择摄像头" at the top of the tray menu by one with `items` in
  // this order (none: the submenu is only removed).
  virtual void SetCameraMenu(const std::vector<CameraMenuItem>& items) = 0;
  // Radio-checks `command` among the camera commands first..last.
  virtual void CheckCameraItem(int command, int first, int last) = 0;
};

class CameraController {
 public:
  CameraController(ServiceSettings& settings, SettingsStore& store, CameraServer& server, ControllerUi& ui,
                   std::string hostName);

  // One tick of the publishing timer: the rendezvous address, the server address, a refresh.
  void OnPublishingTimer(PlatformClient& platform);
  void RefreshCameras();
  void SelectCamera(int command);
  void StartPublishing();
  void StopPublishing();

  bool IsPublished() const { return m_bPublished; }
  int SelectedCommand() const { return m_nSelectedCmd; }
  const std::wstring& PublishedGuid() const { return m_strPublishedGuid; }
  const std::wstring& SelectedDeviceKey() const { return m_strSelectedKey; }
  bool CameraMenuBuilt() const { return m_bCameraMenuBuilt; }
  // The index handed to the camera server for the camera with this command id, -1 if none.
  int DeviceIndexOf(int command) const;

 private:
  CameraMap::Entry* EntryOf(int command);

  ServiceSettings& m_settings;
  SettingsStore& m_store;
  CameraServer& m_server;
  ControllerUi& m_ui;
  std::string m_hostName;

  int m_nSelectedCmd = 0;
  bool m_bPublished = false;
  std::wstring m_strPublishedGuid;
  std::wstring m_strSelectedKey;
  bool m_bCameraMenuBuilt = false;
  // Device key -> the camera server's own index of that device at the last refresh.
  std::map<std::wstring, int> m_deviceIndex;
};

// "\nCamera Started! GUID:[%s]\n" and its companions.
std::wstring CameraStartedLine(const std::wstring& guid);
std::wstring CameraStoppedLine(const std::wstring& guid);

}  // namespace lookout
