#include "orvel_camera_handle.h"

#include <cstring>
#include <new>

#include "NetClient.h"

namespace orvelgate {

const char kFixedCredential[] = "470259";

namespace {

constexpr int kCloseCommand = 13;
constexpr int kCloseParam = 20;
constexpr size_t kNameChars = 23;
constexpr size_t kCredentialChars = 19;
constexpr size_t kIpChars = 39;

// A zero-filled 40-byte block with at most `chars` characters of the text.
char* TextBlock(const char* text, size_t chars, size_t fieldSize) {
  char* block = new (std::nothrow) char[kNetClientTextBlock];
  if (block == nullptr) return nullptr;
  std::memset(block, 0, kNetClientTextBlock);
  for (size_t i = 0; i < chars && i < fieldSize && text[i] != '\0'; ++i) block[i] = text[i];
  return block;
}

// The fields of the record that the handle keeps: not the family, not the login.
CAMLIST_ITEM KeptFields(const CAMLIST_ITEM& c) {
  CAMLIST_ITEM k;
  std::memset(&k, 0, sizeof k);
  std::memcpy(k.mac, c.mac, sizeof k.mac);
  std::memcpy(k.name, c.name, sizeof k.name);
  std::memcpy(k.ip, c.ip, sizeof k.ip);
  std::memcpy(k.submask, c.submask, sizeof k.submask);
  std::memcpy(k.gateway, c.gateway, sizeof k.gateway);
  std::memcpy(k.multiip, c.multiip, sizeof k.multiip);
  std::memcpy(k.dns, c.dns, sizeof k.dns);
  k.localport = c.localport;
  k.webport = c.webport;
  k.multiport = c.multiport;
  k.channel = c.channel;
  return k;
}

}  // namespace

COrvelCameraHandle::COrvelCameraHandle()
    : m_lHandle(-1), m_bHaveCamera(false), m_pCallback(nullptr), m_pUser(nullptr) {
  std::memset(&m_camera, 0, sizeof m_camera);
}

long COrvelCameraHandle::Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) {
  if (camera == nullptr) return -1;
  m_pCallback = callback;
  m_pUser = user;
  m_camera = KeptFields(*camera);  // through a copy: GetRealHandle passes m_camera itself
  m_bHaveCamera = true;

  char* name = TextBlock(m_camera.name, kNameChars, sizeof m_camera.name);
  char* userBlock = TextBlock(kFixedCredential, kCredentialChars, sizeof kFixedCredential);
  char* password = TextBlock(kFixedCredential, kCredentialChars, sizeof kFixedCredential);
  long handle = -1;
  if (name != nullptr && userBlock != nullptr && password != nullptr) {
    NETCLIENT_CONNECT_INFO info;
    std::memset(&info, 0, sizeof info);
    info.name = name;
    info.userName = userBlock;
    info.password = password;
    info.streamType = 3;
    info.channelCount = 1;
    info.timeoutSeconds = 20;
    for (size_t i = 0; i < kIpChars && i < sizeof m_camera.ip && m_camera.ip[i] != '\0'; ++i) info.ip[i] = m_camera.ip[i];
    info.callback = callback;
    info.user = user;
    handle = NC_Connect(m_camera.ip, &info, m_camera.localport, 0);
    if (handle != -1) NC_StartSession(handle, 0);
  }
  delete[] name;
  delete[] userBlock;
  delete[] password;
  m_lHandle = handle;
  return handle;
}

void COrvelCameraHandle::Close() {
  if (m_lHandle == -1) return;
  NC_StopRealPlay(m_lHandle);
  NC_PTZControl(m_lHandle, kCloseCommand, kCloseParam, 0, 0, 0);
  NC_StopAll();
  NC_SetPlayWindow(m_lHandle, nullptr);
  NC_StopStream(m_lHandle);
  NC_Disconnect(m_lHandle);
  m_lHandle = -1;
}

long COrvelCameraHandle::GetRealHandle() {
  if (m_lHandle == -1 && m_bHaveCamera) Open(&m_camera, m_pCallback, m_pUser);
  return m_lHandle;
}

void COrvelCameraHandle::ReOpen() {
  Close();
  if (m_bHaveCamera) Open(&m_camera, m_pCallback, m_pUser);
}

int COrvelCameraHandle::PTZCtrl(int command, int param, int, char*, int) {
  if (m_lHandle == -1 && m_bHaveCamera) Open(&m_camera, m_pCallback, m_pUser);
  return NC_PTZControl(m_lHandle, command, param, 0, 0, 0);
}

int COrvelCameraHandle::GetMotionPara(char* name, char* ip, char, char* user, char* password, KV_CHANNMOTION* out,
                                      uint16_t port) {
  return NC_GetMotionPara(name, ip, 0, user, password, out, port);
}

int COrvelCameraHandle::SetMotionPara(char* name, char* ip, char, char* user, char* password, KV_CHANNMOTION* in,
                                      uint16_t port) {
  // The camera given to Open; an object that was never opened writes to the one named by
  // the arguments.
  if (!m_bHaveCamera) return NC_SetMotionPara(name, ip, 0, user, password, in, port);
  return NC_SetMotionPara(m_camera.name, m_camera.ip, 0, user, password, in, m_camera.localport);
}

}  // namespace orvelgate
