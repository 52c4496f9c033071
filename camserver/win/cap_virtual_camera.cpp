#include "cap_virtual_camera.h"

#include "Tremor.h"
#include "alarm_files.h"
#include "log_file.h"

namespace lantern {

CCapVirtualCamera::CCapVirtualCamera(const char* name, int deviceIndex, const char* localAddress,
                                     int cameraIndex, const common::Clock* clock)
    : CVirtualCamera(name, localAddress, cameraIndex, clock),
      m_pCapture(new CVideoDShow(deviceIndex)) {
  m_bStarted = m_pCapture->StartCapture();
}

CCapVirtualCamera::~CCapVirtualCamera() {
  StopWorker();
  m_pCapture->StopCapture();
  log().Write("~CCapVirtualCamera() call successful return \n");
  m_pCapture.reset();
}

bool CCapVirtualCamera::GrabFrame(JpegOutBuffer& out, bool anyViewer) {
  return m_step.Grab(
      m_pCapture->frame(), out, anyViewer, [this] { return IsAlarmArmedNow(); },
      [this](const uint8_t* image, size_t size) { CheckMotion(image, size); },
      // A library error drops the frame; the worker must not block on a message box.
      [this](const std::string& message) { log().Write("JPEG Fatal Error: %s\r\n", message.c_str()); });
}

void CCapVirtualCamera::CheckMotion(const uint8_t* image, size_t size) {
  if (m_snapshotPath.empty()) m_snapshotPath = SnapshotFilePath(cameraIndex());
  WriteSnapshot(m_snapshotPath, image, size);  // the detector is told even when this failed
  m_bMotionPending = true;
}

void CCapVirtualCamera::AfterFramePass() {
  if (!m_bMotionPending) return;
  m_bMotionPending = false;
  ::MoveCheckByPicFile(cameraIndex(), m_snapshotPath.c_str());
  ++m_motionChecks;
}

}  // namespace lantern
