// A virtual camera on Windows: the platform-free camera logic with its UDP socket, worker
// thread and the system's name resolution and local address.
#pragma once

#include <winsock2.h>

#include <string>

#include "alarm_files.h"
#include "camera_core.h"
#include "udp_socket.h"
#include "work_thread.h"

namespace lantern {

enum class CameraKind { kNone = 1, kCapture = 2, kScreen = 3 };

class CVirtualCamera : public CameraCore,
                       private UdpReceiver,
                       private DatagramSender,
                       private HostResolver,
                       private RegistrationAddressSource {
 public:
  // `clock` null: the system tick counter.
  CVirtualCamera(const char* name, const char* localAddress, int cameraIndex,
                 const common::Clock* clock = nullptr);
  ~CVirtualCamera() override;

  // Points the socket at the rendezvous server, sends the probe that binds the socket to a
  // local port, and starts the worker.
  void ConnectServer(const char* host, unsigned long port);

  int cameraIndex() const { return m_iCameraIndex; }
  const char* localAddressHint() const { return m_szLocalAddress; }
  uint16_t localPort() const;

 protected:
  // Stops and joins the worker; safe to call twice.
  void StopWorker();

 private:
  class Worker : public CWorkThread {
   public:
    explicit Worker(CVirtualCamera* camera) : camera_(camera) {}
    StopEvent stop;

   private:
    unsigned ThreadBody(void*) override;
    CVirtualCamera* camera_;
  };

  void OnReceive(const uint8_t* data, size_t length, int kind, const NetAddress& from) override;
  int SendTo(const uint8_t* data, size_t length, const NetAddress& to) override;
  int SendToServer(const uint8_t* data, size_t length) override;
  bool Resolve(const std::string& host, uint32_t* ip) override;
  bool Get(std::string* address, uint32_t* port) override;

  CameraEnvironment Environment(const common::Clock* clock);

  char m_szLocalAddress[32] = {};
  int m_iCameraIndex;
  ApdFileStore m_alarmStore;
  SystemLocalTime m_localTime;
  UDP_Socket m_socket;
  Worker m_worker;
};

// The process-wide motion detector's threshold.
class TremorThreshold : public MotionDetectorPort {
 public:
  void SetThreshold(int threshold) override;
  static TremorThreshold& Instance();
};

// Shows the central 320 x 240 region of the primary display; registers and serves sessions
// but its frame step produces no frame.
class CScreenVirtualCamera : public CVirtualCamera {
 public:
  CScreenVirtualCamera(const char* name, const char* localAddress, int cameraIndex,
                       const common::Clock* clock = nullptr);
  ~CScreenVirtualCamera() override;
  RECT sourceRect() const { return m_rcSource; }

 private:
  HDC m_hDisplay = nullptr;
  RECT m_rcSource{};
};

}  // namespace lantern
