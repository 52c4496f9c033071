// The quil family's camera handle: CGI requests over HTTP for the clock and the motion
// parameters, and one connection thread for alarms and pan/tilt moves.
#pragma once

#include <atomic>
#include <cstdint>

#include "CamShare.h"
#include "camera_socket.h"
#include "connection_thread.h"
#include "ptz_state.h"

namespace quilgate::win {

class CQuilCameraHandle : public ICameraHandle, public IQuilAlarmSink {
 public:
  // Null when the object or its connection object cannot be made.
  static CQuilCameraHandle* Create();
  ~CQuilCameraHandle() override;

  long Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) override;
  void Close() override {}
  long GetRealHandle() override { return m_lRealHandle.load(); }
  void ReOpen() override {}
  int PTZCtrl(int command, int param, int reserved, char* data, int length) override;
  int GetMotionPara(char* name, char* ip, char channel, char* user, char* password, KV_CHANNMOTION* out,
                    uint16_t port) override;
  int SetMotionPara(char* name, char* ip, char channel, char* user, char* password, KV_CHANNMOTION* in,
                    uint16_t port) override;

  void OnAlarm() override;

  uint16_t ptzState() const { return m_ptz.state(); }
  bool connectionRunning() const { return m_pConnection->Running(); }

 private:
  CQuilCameraHandle();

  SocketsStarted m_sockets;
  std::atomic<long> m_lRealHandle;
  CAMLIST_ITEM m_camera;
  bool m_bHaveCamera;
  CQuilConnection* m_pConnection;
  PtzState m_ptz;
  void* m_pUser;
  CameraEventCallBack m_pCallback;
};

}  // namespace quilgate::win
