#include "virtual_camera.h"

#include <cstring>

#include "Tremor.h"
#include "local_address_win.h"
#include "log_file.h"
#include "protocol.h"
#include "system_clock.h"

namespace lantern {

CameraEnvironment CVirtualCamera::Environment(const common::Clock* clock) {
  CameraEnvironment env;
  env.clock = clock ? clock : &SystemClock::Instance();
  env.sender = this;
  env.resolver = this;
  env.localAddress = this;
  env.log = &LibraryLog();
  env.alarmStore = &m_alarmStore;
  env.detector = &TremorThreshold::Instance();
  env.localTime = &m_localTime;
  return env;
}

void TremorThreshold::SetThreshold(int threshold) { ::SetThreshold(threshold); }

TremorThreshold& TremorThreshold::Instance() {
  static TremorThreshold instance;
  return instance;
}

CVirtualCamera::CVirtualCamera(const char* name, const char* localAddress, int cameraIndex,
                               const common::Clock* clock)
    : CameraCore(name ? name : "", Environment(clock)),
      m_iCameraIndex(cameraIndex),
      m_alarmStore(name ? name : ""),
      m_socket(this),
      m_worker(this) {
  if (localAddress) std::strncpy(m_szLocalAddress, localAddress, sizeof m_szLocalAddress - 1);
  m_socket.CreateSocket();
  ::PictureCheckStart(m_iCameraIndex);
  LoadAlarmParams();
}

CVirtualCamera::~CVirtualCamera() {
  StopWorker();
  ::PictureCheckStop(m_iCameraIndex);
  log().Write("virtual camera 's moving checking is stoped\r\n");
  m_worker.stop.Close();
  m_socket.CloseSocket();
  log().Write("virtual camera 's udp socket is stoped\r\n");
  // The socket is closed: the sessions' farewells reach nobody.
  ClearSessionsAndFragments();
  log().Write("virtual camera mgr udp video data and session map clear\r\n");
}

void CVirtualCamera::ConnectServer(const char* host, unsigned long port) {
  log().Write("set sverver addr:%s port:%d\r\n", host ? host : "", static_cast<int>(port & 0xFFFF));
  if (m_socket.SetDestination(host ? host : "", static_cast<unsigned short>(port)) == 1)
    SetServerAddress(m_socket.destination());
  m_socket.SendToDefault(wire::kProbeText, static_cast<int>(wire::kProbeSize));
  m_worker.StartThread(true);
}

uint16_t CVirtualCamera::localPort() const {
  sockaddr_in sa{};
  int len = sizeof sa;
  if (getsockname(m_socket.socket(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

void CVirtualCamera::StopWorker() {
  if (m_worker.threadId() != 0) {
    m_worker.stop.Set();
    m_worker.JoinThread();
    m_worker.ClearThreadId();
  }
}

unsigned CVirtualCamera::Worker::ThreadBody(void*) {
  while (!stop.Wait(5)) camera_->WorkerPass();
  return 0;
}

void CVirtualCamera::OnReceive(const uint8_t* data, size_t length, int, const NetAddress& from) {
  CameraCore::OnReceive(data, length, from);
}

int CVirtualCamera::SendTo(const uint8_t* data, size_t length, const NetAddress& to) {
  return m_socket.SendTo(data, static_cast<int>(length), to);
}

int CVirtualCamera::SendToServer(const uint8_t* data, size_t length) {
  return m_socket.SendToDefault(data, static_cast<int>(length));
}

bool CVirtualCamera::Resolve(const std::string& host, uint32_t* ip) {
  return ResolveHost(host.c_str(), ip);
}

bool CVirtualCamera::Get(std::string* address, uint32_t* port) {
  // Without a hint or a default gateway the camera still registers: a PC on a network
  // without a router is still reachable on its own subnet.
  std::string reference;
  const bool haveReference = FindRegistrationReference(m_szLocalAddress, &reference);
  char text[32] = {};
  m_socket.GetLocalAddress(text, sizeof text, port, haveReference ? reference.c_str() : nullptr);
  *address = text;
  return true;
}

CScreenVirtualCamera::CScreenVirtualCamera(const char* name, const char* localAddress,
                                           int cameraIndex, const common::Clock* clock)
    : CVirtualCamera(name, localAddress, cameraIndex, clock) {
  m_hDisplay = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  int w = m_hDisplay ? GetDeviceCaps(m_hDisplay, HORZRES) : 0;
  int h = m_hDisplay ? GetDeviceCaps(m_hDisplay, VERTRES) : 0;
  m_rcSource = RECT{(w - 320) / 2, (h - 240) / 2, (w + 320) / 2, (h + 240) / 2};
}

CScreenVirtualCamera::~CScreenVirtualCamera() {
  StopWorker();
  if (m_hDisplay) DeleteDC(m_hDisplay);
}

}  // namespace lantern
