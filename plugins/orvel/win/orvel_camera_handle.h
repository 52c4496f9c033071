// The orvel family's camera handle: a thin layer over NetClient, one connection per object,
// opened lazily and opened again on use after a failed connect.
#pragma once

#include "CamShare.h"

namespace orvelgate {

// The credential value both text blocks of the connection record carry.
extern const char kFixedCredential[];

class COrvelCameraHandle : public ICameraHandle {
 public:
  COrvelCameraHandle();
  ~COrvelCameraHandle() override {}  // Rookery closes first

  long Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) override;
  void Close() override;
  long GetRealHandle() override;
  void ReOpen() override;
  int PTZCtrl(int command, int param, int reserved, char* data, int length) override;
  int GetMotionPara(char* name, char* ip, char channel, char* user, char* password, KV_CHANNMOTION* out,
                    uint16_t port) override;
  int SetMotionPara(char* name, char* ip, char channel, char* user, char* password, KV_CHANNMOTION* in,
                    uint16_t port) override;

 private:
  long m_lHandle;  // the NetClient connection, -1 when none
  CAMLIST_ITEM m_camera;
  bool m_bHaveCamera;
  CameraEventCallBack m_pCallback;
  void* m_pUser;
};

}  // namespace orvelgate
