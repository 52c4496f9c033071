// Deterministic camera-like picture sequences for checks that the detector's decisions do
// not change: a textured room with sensor noise, a lamp switched on and off, objects moving
// through, a hand over the lens. Integer arithmetic only, so every build makes the same bytes.
#pragma once

#include <opencv2/core.hpp>

namespace tremor::testing {

struct SequenceShape {
  int width;
  int height;
  int pictures;
};

// The sequences the recorded decisions were taken on: 640x480 as the cameras deliver, and
// an odd size whose rows are no multiple of any vector width.
constexpr SequenceShape kCameraSequence{640, 480, 48};
constexpr SequenceShape kOddSequence{97, 61, 40};

// Picture `index` of the sequence with this shape, 8-bit BGR.
cv::Mat SequencePicture(const SequenceShape& shape, int index);

}  // namespace tremor::testing
