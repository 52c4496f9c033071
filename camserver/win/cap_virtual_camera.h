// A virtual camera showing a local video capture device.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "capture_frame_step.h"
#include "video_dshow.h"
#include "virtual_camera.h"

namespace lantern {

class CCapVirtualCamera : public CVirtualCamera {
 public:
  CCapVirtualCamera(const char* name, int deviceIndex, const char* localAddress, int cameraIndex,
                    const common::Clock* clock = nullptr);
  ~CCapVirtualCamera() override;

  // Whether the capture graph was built and runs.
  bool captureStarted() const { return m_bStarted; }
  CVideoDShow* capture() { return m_pCapture.get(); }

  bool GrabFrame(JpegOutBuffer& out, bool anyViewer) override;

  // Frame passes that found a captured frame, and pictures handed to the motion detector.
  uint32_t frameSteps() const { return m_step.calls(); }
  uint32_t motionChecks() const { return m_motionChecks.load(); }

 protected:
  // Writes the snapshot now (frame locked); the detector is told after the frame pass.
  void CheckMotion(const uint8_t* image, size_t size) override;
  void AfterFramePass() override;

 private:
  std::string m_snapshotPath;
  bool m_bMotionPending = false;
  std::atomic<uint32_t> m_motionChecks{0};
  std::unique_ptr<CVideoDShow> m_pCapture;
  CaptureFrameStep m_step;
  bool m_bStarted = false;
};

}  // namespace lantern
