#include "quil_camera_handle.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "answer_values.h"
#include "cgi_request.h"
#include "http_exchange.h"
#include "motion_schedule.h"

namespace quilgate::win {

namespace {

constexpr int kMotionEvent = 2;
constexpr int kMotionValue = 1;

// A fixed text field as a string, never past its end.
std::string FieldText(const char* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != '\0') ++n;
  return std::string(field, n);
}

CgiTarget TargetOf(const CAMLIST_ITEM& c) {
  return MakeTarget(FieldText(c.ip, sizeof c.ip).c_str(), c.localport,
                    FieldText(c.username, sizeof c.username).c_str(),
                    FieldText(c.userpassword, sizeof c.userpassword).c_str());
}

int64_t UtcSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<int64_t>((ticks - 116444736000000000ULL) / 10000000ULL);  // from 1601 to 1970
}

}  // namespace

CQuilCameraHandle* CQuilCameraHandle::Create() {
  CQuilCameraHandle* handle = new (std::nothrow) CQuilCameraHandle;
  if (handle == nullptr) return nullptr;
  handle->m_pConnection = new (std::nothrow) CQuilConnection(handle);
  if (handle->m_pConnection == nullptr) {
    delete handle;
    return nullptr;
  }
  return handle;
}

CQuilCameraHandle::CQuilCameraHandle()
    : m_lRealHandle(-1), m_bHaveCamera(false), m_pConnection(nullptr), m_pUser(nullptr), m_pCallback(nullptr) {
  std::memset(&m_camera, 0, sizeof m_camera);
}

CQuilCameraHandle::~CQuilCameraHandle() {
  delete m_pConnection;  // stops the thread first
  m_lRealHandle = -1;
}

long CQuilCameraHandle::Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) {
  if (camera == nullptr || !m_pConnection->Start(*camera)) return -1;
  m_pCallback = callback;
  m_pUser = user;
  CAMLIST_ITEM copy = *camera;
  copy.lastSeen = 0;
  m_camera = copy;
  m_bHaveCamera = true;
  m_lRealHandle = 1;
  std::string request;
  if (ClockRequest(TargetOf(m_camera), UtcSeconds(), &request)) Exchange(TargetOf(m_camera), request);
  return 1;
}

int CQuilCameraHandle::PTZCtrl(int command, int, int, char*, int) {
  uint8_t code = 0;
  if (m_ptz.Command(command, &code)) m_pConnection->PostMove(code);
  return 1;
}

int CQuilCameraHandle::GetMotionPara(char*, char* ip, char, char* user, char* password, KV_CHANNMOTION* out,
                                     uint16_t port) {
  if (out == nullptr) return 0;
  CgiTarget target = MakeTarget(ip, port, user, password);
  std::string request;
  if (!ReadParamsRequest(target, &request)) return 0;
  return Exchange(target, request, [out](const char* answer, size_t size) {
           ReadMotionRecord(AnswerText(answer, size), out);
         })
             ? 1
             : 0;
}

int CQuilCameraHandle::SetMotionPara(char*, char* ip, char, char* user, char* password, KV_CHANNMOTION* in,
                                     uint16_t port) {
  if (in == nullptr) return 0;
  // The camera given to Open; an object that was never opened writes to the one named by
  // the arguments.
  CgiTarget target = m_bHaveCamera ? TargetOf(m_camera) : MakeTarget(ip, port, user, password);
  std::string request;
  if (!WriteAlarmRequest(target, in->motionArmed, ScheduleText(MarkSchedule(*in)), &request)) return 0;
  return Exchange(target, request) ? 1 : 0;
}

void CQuilCameraHandle::OnAlarm() {
  const long real = m_lRealHandle.load();
  if (real != -1 && m_pCallback != nullptr) m_pCallback(real, kMotionEvent, kMotionValue, m_pUser);
}

}  // namespace quilgate::win
