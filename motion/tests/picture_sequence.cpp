#include "picture_sequence.h"

#include <algorithm>
#include <cstdint>

namespace tremor::testing {
namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t z) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ z * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

}  // namespace

cv::Mat SequencePicture(const SequenceShape& shape, int index) {
  const int w = shape.width, h = shape.height;
  cv::Mat picture(h, w, CV_8UC3);
  // The lamp: on for pictures 12..23, half on for 30..33.
  int light = 0;
  if (index >= 12 && index < 24) light = 45;
  if (index >= 30 && index < 34) light = 22;
  // A box crossing the room, and a person coming closer (growing) from picture 20.
  const int boxX = (index * w) / 24 - w / 6, boxY = h / 3, boxW = w / 6, boxH = h / 4;
  const int personSize = index >= 20 ? std::min(h, (index - 19) * h / 12) : 0;
  const int personX = w / 2 - personSize / 3, personY = h - personSize;
  // A hand over the left half of the lens on picture 36.
  const bool hand = index == 36;
  for (int y = 0; y < h; ++y) {
    cv::Vec3b* row = picture.ptr<cv::Vec3b>(y);
    for (int x = 0; x < w; ++x) {
      // Walls: soft gradients with a tiled floor in the lower third.
      int b = 60 + (x * 90) / w, g = 70 + (y * 60) / h, r = 80 + ((x + y) * 40) / (w + h);
      if (y > (2 * h) / 3 && ((x / 16 + y / 16) & 1)) b += 25, g += 25, r += 25;
      if (x >= boxX && x < boxX + boxW && y >= boxY && y < boxY + boxH) b = 30, g = 140, r = 200;
      if (personSize && x >= personX && x < personX + (2 * personSize) / 3 && y >= personY)
        b = 40, g = 50, r = 70;
      if (hand && x < w / 2) b = 20, g = 25, r = 35;
      const uint32_t n = Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                              static_cast<uint32_t>(index));
      // Sensor noise of a few levels per channel.
      row[x] = cv::Vec3b(Clamp(b + light + static_cast<int>(n % 9) - 4),
                         Clamp(g + light + static_cast<int>((n >> 8) % 9) - 4),
                         Clamp(r + light + static_cast<int>((n >> 16) % 9) - 4));
    }
  }
  return picture;
}

}  // namespace tremor::testing
