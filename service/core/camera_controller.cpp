#include "camera_controller.h"

#include <utility>

#include "device_key.h"
#include "platform_client.h"

namespace lookout {

std::wstring CameraStartedLine(const std::wstring& guid) { return L"\nCamera Started! GUID:[" + guid + L"]\n"; }
std::wstring CameraStoppedLine(const std::wstring& guid) { return L"\nCamera Stopped! GUID:[" + guid + L"]\n"; }

CameraController::CameraController(ServiceSettings& settings, SettingsStore& store, CameraServer& server,
                                   ControllerUi& ui, std::string hostName)
    : m_settings(settings), m_store(store), m_server(server), m_ui(ui), m_hostName(std::move(hostName)) {}

void CameraController::OnPublishingTimer(PlatformClient& platform) {
  if (!platform.GetRendezvousAddress(RendezvousCaller::PublishingTimer)) {
    m_ui.StopPublishingTimer();
    return;
  }
  if (!platform.ApplyServerAddress()) {
    m_ui.StopPublishingTimer();
    return;
  }
  RefreshCameras();
}

void CameraController::RefreshCameras() {
  ServiceSettings& s = m_settings;
  if (!ReadSettings(m_store, s)) {
    s.m_mapStored.RemoveAll();
    s.m_nCameraCount = 0;
    s.m_nLastInline = 0;
  }
  s.m_mapOnline.RemoveAll();
  m_deviceIndex.clear();
  int count = m_server.DeviceCount();
  s.m_nLastInline = count;

  bool sawSelected = false;
  bool sawDefault = false;
  for (int i = 0; i < count; ++i) {
    std::wstring key = kNoDeviceKey;
    std::wstring display;
    std::wstring friendly = m_server.DeviceFriendlyName(i, &display);
    if (friendly.empty()) {
      --s.m_nLastInline;
      continue;
    }
    size_t brace = display.find(L"#{");
    if (brace != std::wstring::npos && brace > 0) key = MakeDeviceKey(display);
    std::wstring menuText = friendly + L" - [" + key + L"]";

    CameraInfo info;
    if (const CameraInfo* stored = s.m_mapStored.Lookup(key)) {
      info = *stored;
      if (info.GUID[0] == L'\0') SetField(info.GUID, MakeCameraGuid(m_server.DeviceName(i), m_hostName));
    } else {
      ++s.m_nCameraCount;
      SetField(info.GUID, MakeCameraGuid(m_server.DeviceName(i), m_hostName));
    }
    SetField(info.CameraName, menuText);
    SetField(info.DisplayName, key);
    if (key == s.m_szDefaultCamera) sawDefault = true;
    if (key == m_strSelectedKey) sawSelected = true;
    s.m_mapOnline.SetAt(key, info);
    m_deviceIndex[key] = i;
  }

  if (sawSelected) {
    SetField(s.m_szDefaultCamera, m_strSelectedKey);
  } else if (!sawDefault && s.m_nLastInline > 0) {
    std::vector<std::wstring> keys = s.m_mapOnline.Keys();
    if (!keys.empty()) {
      SetField(s.m_szDefaultCamera, keys.front());
      m_strSelectedKey = keys.front();
    }
  }

  if (s.m_mapOnline.IsEmpty()) {
    if (m_bCameraMenuBuilt) m_ui.SetCameraMenu({});
    StopPublishing();
  } else {
    std::vector<CameraMenuItem> items;  // popup order: each new item goes to the top
    std::vector<int> selectNow;
    int k = 0;
    s.m_mapOnline.ForEach([&](CameraMap::Entry& e) {
      if (k >= kCameraCommandCount) {
        // No command for it: a stale id from the file must not name it.
        e.value.CMDID = 0;
        return;
      }
      int command = kCameraCommandFirst + k++;
      e.value.CMDID = command;
      items.insert(items.begin(), CameraMenuItem{command, e.value.CameraName});
      if (e.key == s.m_szDefaultCamera) selectNow.push_back(command);
    });
    m_ui.SetCameraMenu(items);
    m_bCameraMenuBuilt = true;
    for (int command : selectNow) SelectCamera(command);
  }
  WriteSettings(m_store, s);
}

CameraMap::Entry* CameraController::EntryOf(int command) {
  CameraMap::Entry* found = nullptr;
  m_settings.m_mapOnline.ForEach([&](CameraMap::Entry& e) {
    if (found == nullptr && e.value.CMDID == command) found = &e;
  });
  return found;
}

int CameraController::DeviceIndexOf(int command) const {
  CameraMap::Entry* entry = const_cast<CameraController*>(this)->EntryOf(command);
  if (entry == nullptr) return -1;
  auto it = m_deviceIndex.find(entry->key);
  return it == m_deviceIndex.end() ? -1 : it->second;
}

void CameraController::SelectCamera(int command) {
  CameraMap::Entry* entry = EntryOf(command);
  // The same command can name another camera after a refresh (the published one was
  // unplugged): only the camera that is really published counts as selected already.
  bool samePublished = entry == nullptr || m_strPublishedGuid == entry->value.GUID;
  if (command == m_nSelectedCmd && m_bPublished && samePublished) return;
  StopPublishing();
  m_nSelectedCmd = command;
  if (entry != nullptr) {
    m_strSelectedKey = entry->key;
    m_strPublishedGuid = entry->value.GUID;
    SetField(m_settings.m_szDefaultCamera, entry->key);
    WriteSettings(m_store, m_settings);
  }
  StartPublishing();
  m_ui.CheckCameraItem(command, kCameraCommandFirst, kCameraCommandFirst - 1 + m_settings.m_nLastInline);
}

void CameraController::StartPublishing() {
  if (m_bPublished) return;
  CameraMap::Entry* entry = EntryOf(m_nSelectedCmd);
  if (entry == nullptr) return;
  // The camera server counts devices in its own order, which the map's walking order only
  // matches for a single camera: it gets the index under which it listed this device.
  int index = DeviceIndexOf(m_nSelectedCmd);
  if (index < 0) index = m_nSelectedCmd - kCameraCommandFirst;
  std::wstring guid = entry->value.GUID;
  if (m_server.CreateCamera(guid, index) == CameraServer::CreateResult::Failed) {
    m_ui.ShowTimedMessage(L"CreateLantern失败！GUID:[" + guid + L"], Idx:[" + std::to_wstring(index) + L"]", 0,
                          kMessageTime);
    return;
  }
  m_bPublished = true;
  m_ui.DebugOutput(CameraStartedLine(guid));
  m_strPublishedGuid = guid;
  m_ui.StopPublishingTimer();
}

void CameraController::StopPublishing() {
  if (!m_bPublished) return;
  if (m_strPublishedGuid.empty()) {
    m_bPublished = false;
    return;
  }
  if (m_server.StopCamera(m_strPublishedGuid)) {
    m_ui.DebugOutput(CameraStoppedLine(m_strPublishedGuid));
    m_strPublishedGuid.clear();
    m_bPublished = false;
  } else {
    m_ui.ShowTimedMessage(L"StopVirtualCamera失败！GUID:[" + m_strPublishedGuid + L"]", 0, kMessageTime);
  }
}

}  // namespace lookout
