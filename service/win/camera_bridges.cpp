#include "camera_bridges.h"

#include <windows.h>

#include <cstring>

#include "Lantern.h"
#include "Rookery.h"
#include "win_text.h"

namespace lookout {
namespace {

constexpr unsigned kNameBuffer = 256;

std::wstring FieldText(const char* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != '\0') ++n;
  return AnsiToWide(std::string(field, n));
}

}  // namespace

int LanternCameraServer::DeviceCount() { return GetVideoCapCount(); }

std::wstring LanternCameraServer::DeviceFriendlyName(int index, std::wstring* displayName) {
  char buffer[kNameBuffer] = {};
  const char* friendly = GetVideoCapName(index, buffer, kNameBuffer);
  buffer[kNameBuffer - 1] = '\0';
  *displayName = AnsiToWide(buffer);
  return friendly != nullptr ? AnsiToWide(friendly) : std::wstring();
}

std::wstring LanternCameraServer::DeviceName(int index) {
  char buffer[kNameBuffer] = {};
  const char* name = GetVideoDeviceName(index, buffer, kNameBuffer);
  return name != nullptr ? AnsiToWide(name) : std::wstring();
}

CameraServer::CreateResult LanternCameraServer::CreateCamera(const std::wstring& guid, int index) {
  void* handle = CreateLantern(WideToAnsi(guid).c_str(), index, nullptr, VIRTUAL_CAMERA_CAPTURE);
  if (handle == reinterpret_cast<void*>(-1)) return CreateResult::Failed;
  return handle == nullptr ? CreateResult::IndexOutOfRange : CreateResult::Created;
}

bool LanternCameraServer::StopCamera(const std::wstring& guid) {
  return StopVirtualCamera(WideToAnsi(guid).c_str()) != 0;
}

void CopyToField(char* field, size_t size, const std::wstring& text) {
  std::string bytes = WideToAnsi(text);
  size_t n = 0;
  while (n < bytes.size() && n < size - 1) {
    size_t step = IsDBCSLeadByte(static_cast<BYTE>(bytes[n])) ? 2 : 1;
    if (n + step > size - 1 || n + step > bytes.size()) break;
    n += step;
  }
  std::memset(field, 0, size);
  std::memcpy(field, bytes.data(), n);
}

unsigned RookeryCameraList::Count() { return m_manager ? m_manager->GetCamCount() : 0; }

bool RookeryCameraList::Record(unsigned index, IpCameraRecord* record) {
  CAMLIST_ITEM* item = m_manager ? m_manager->GetCamInfo(index) : nullptr;
  if (item == nullptr) return false;
  record->name = FieldText(item->name, sizeof item->name);
  record->ip = FieldText(item->ip, sizeof item->ip);
  record->webport = item->webport;
  record->username = FieldText(item->username, sizeof item->username);
  record->userpassword = FieldText(item->userpassword, sizeof item->userpassword);
  return true;
}

void RookeryCameraList::StoreCredentials(unsigned index, const std::wstring& user, const std::wstring& password) {
  CAMLIST_ITEM* item = m_manager ? m_manager->GetCamInfo(index) : nullptr;
  if (item == nullptr) return;
  CopyToField(item->username, sizeof item->username, user);
  CopyToField(item->userpassword, sizeof item->userpassword, password);
}

std::wstring RookeryCameraList::CameraString(unsigned index) {
  const wchar_t* text = m_manager ? m_manager->GetCamStringInfo(index) : nullptr;
  return text != nullptr ? std::wstring(text) : std::wstring();  // copied at once: the buffer is shared
}

bool RookeryCameraList::IsUsing(const std::wstring& cameraString) {
  return m_manager != nullptr && m_manager->IsCamIsUsing(cameraString.c_str());
}

void RookeryCameraList::AddToUsing(const std::wstring& cameraString) {
  if (m_manager != nullptr) m_manager->AddCamToUsing(cameraString.c_str(), true);
}

void RookeryCameraList::RemoveFromUsing(const std::wstring& cameraString) {
  if (m_manager != nullptr) m_manager->RemoveCamFromUsing(cameraString.c_str(), true);
}

}  // namespace lookout
