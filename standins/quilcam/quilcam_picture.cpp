#include "quilcam_picture.h"

#include "jpeg_encoder.h"
#include "testcam/test_pattern.h"

namespace quilcam {

std::vector<uint8_t> Picture(int width, int height, uint32_t frame) {
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return {};
  const int stride = testcam::Rgb24Stride(width);
  std::vector<uint8_t> image(static_cast<size_t>(stride) * height);
  testcam::PaintFrame(image.data(), width, height, frame, testcam::kSceneGrey);
  // Unpadded bottom-up BGR rows, as the encoder's preparation step takes them.
  std::vector<uint8_t> rows(static_cast<size_t>(width) * 3 * height);
  for (int y = 0; y < height; ++y) {
    std::copy(image.begin() + static_cast<std::ptrdiff_t>(y) * stride,
              image.begin() + static_cast<std::ptrdiff_t>(y) * stride + width * 3,
              rows.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
  }
  lantern::JpegOutBuffer out;
  if (!lantern::EncodeFrame(rows.data(), rows.size(), width, height, out)) return {};
  return std::vector<uint8_t>(out.data.begin(), out.data.begin() + static_cast<std::ptrdiff_t>(out.length));
}

}  // namespace quilcam
