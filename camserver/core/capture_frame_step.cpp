#include "capture_frame_step.h"

#include "jpeg_encoder.h"

namespace lantern {

bool CaptureFrameStep::Grab(FrameBlock& frame, JpegOutBuffer& out, bool anyViewer,
                            const ArmedNow& armedNow, const MotionCheck& motion,
                            const ErrorSink& onError) {
  std::lock_guard<std::mutex> guard(frame.lock());
  if (!frame.HasFrame()) return false;  // no sample yet
  const uint32_t call = ++calls_;
  bool motionDue = (call % 2 == 0) && armedNow && armedNow() && !frame.consumed();
  if (motionDue && motion) motion(frame.image(), frame.frameSize());
  if (!anyViewer || frame.consumed()) return false;
  bool ok = EncodeFrame(frame.pixels(), frame.pixelBytes(), frame.width(), frame.height(), out,
                        onError);
  frame.MarkConsumed();
  return ok;
}

}  // namespace lantern
