#include "testcam/test_pattern.h"

#include <cstring>

namespace testcam {

namespace {

constexpr Rgb kRed = {255, 0, 0};
constexpr Rgb kBlue = {0, 0, 255};
constexpr Rgb kGreen = {0, 255, 0};
constexpr Rgb kGrey = {128, 128, 128};
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kBlack = {0, 0, 0};
constexpr int kCell = 8;
constexpr int kCounterBits = 16;

bool InCounter(int x, int y, int height, int scene) {
  if (scene & kSceneNoCounter) return false;
  return y >= height / 8 && y < height / 8 + kCell && x < kCell * kCounterBits;
}

// Rows that look the same share a key, so painting copies them instead of recomputing.
int RowKey(int y, int width, int height, int scene) {
  if (y < height / 8) return -1;
  if (y >= height - height / 8) return -2;
  if (InCounter(0, y, height, scene)) return -3 - y;
  if ((scene & 0xFF) == kSceneChecker) return (y / 32) & 1;
  return 0;
}

}  // namespace

Rgb ExpectedPixel(int x, int y, int width, int height, uint32_t frame, int scene) {
  if (y < height / 8) return kRed;
  if (y >= height - height / 8) return kBlue;
  if (InCounter(x, y, height, scene))
    return (frame >> (x / kCell)) & 1 ? kWhite : kBlack;
  if (x < width / 8) return kGreen;
  switch (scene & 0xFF) {
    case kSceneChecker:
      return ((x / 32 + y / 32) % 2 == 0) ? kWhite : kBlack;
    case kSceneMovingBar: {
      int barWidth = width / 16;
      int range = width - width / 8 - barWidth;
      int left = width / 8 + static_cast<int>((8ULL * frame) % static_cast<unsigned>(range));
      return (x >= left && x < left + barWidth) ? kWhite : kGrey;
    }
    default:
      return kGrey;
  }
}

int Rgb24Stride(int width) { return (width * 3 + 3) & ~3; }

void PaintFrame(uint8_t* image, int width, int height, uint32_t frame, int scene) {
  const int stride = Rgb24Stride(width);
  const uint8_t* previous = nullptr;
  int previousKey = 1 << 30;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image + static_cast<size_t>(height - 1 - y) * stride;
    int key = RowKey(y, width, height, scene);
    if (key == previousKey) {
      memcpy(row, previous, static_cast<size_t>(stride));
      continue;
    }
    for (int x = 0; x < width; ++x) {
      Rgb c = ExpectedPixel(x, y, width, height, frame, scene);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
    memset(row + 3 * width, 0, static_cast<size_t>(stride - 3 * width));
    previous = row;
    previousKey = key;
  }
}

Rgb PixelAt(const uint8_t* image, int width, int height, int x, int y) {
  const uint8_t* p =
      image + static_cast<size_t>(height - 1 - y) * Rgb24Stride(width) + 3 * x;
  return Rgb{p[2], p[1], p[0]};
}

uint32_t ReadFrameCounter(const uint8_t* image, int width, int height) {
  uint32_t value = 0;
  const int y = height / 8 + kCell / 2;
  for (int bit = 0; bit < kCounterBits; ++bit) {
    Rgb c = PixelAt(image, width, height, bit * kCell + kCell / 2, y);
    if (c.g > 127) value |= 1u << bit;
  }
  return value;
}

}  // namespace testcam
