// The frame step of a camera that shows a capture device: every second pass the newest
// frame goes to the motion check, and a frame is encoded once, only for a viewer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "frame_block.h"
#include "jpeg_out_buffer.h"

namespace lantern {

class CaptureFrameStep {
 public:
  // Gets the whole BMP image (headers and pixels) while the frame block is locked.
  using MotionCheck = std::function<void(const uint8_t* image, size_t size)>;
  using ArmedNow = std::function<bool()>;
  using ErrorSink = std::function<void(const std::string&)>;

  // True when `out` holds a new frame to send.
  bool Grab(FrameBlock& frame, JpegOutBuffer& out, bool anyViewer, const ArmedNow& armedNow,
            const MotionCheck& motion, const ErrorSink& onError = nullptr);
  // Passes that found a frame; read by other threads.
  uint32_t calls() const { return calls_.load(); }

 private:
  std::atomic<uint32_t> calls_{0};
};

}  // namespace lantern
