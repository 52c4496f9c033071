// The stand-in camera's pictures: the test camera's pattern (red top band, blue bottom band,
// green left strip, grey scene, frame counter cells) as baseline JPEG.
#pragma once

#include <cstdint>
#include <vector>

namespace quilcam {

// Empty when the size is not positive or the encoder fails.
std::vector<uint8_t> Picture(int width, int height, uint32_t frame);

}  // namespace quilcam
