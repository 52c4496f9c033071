#include "testcam/test_pattern.h"

#include <gtest/gtest.h>

#include <vector>

using testcam::ExpectedPixel;
using testcam::PaintFrame;
using testcam::PixelAt;
using testcam::Rgb;

namespace {

std::vector<uint8_t> Paint(int w, int h, uint32_t frame, int scene) {
  std::vector<uint8_t> image(static_cast<size_t>(testcam::Rgb24Stride(w)) * h, 0xCD);
  PaintFrame(image.data(), w, h, frame, scene);
  return image;
}

double ChangedFraction(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
  return static_cast<double>(changed) / a.size();
}

TEST(TestPattern, PaintedFramesMatchTheDefinitionEverywhere) {
  for (int scene : {0, 1, 2, 7, 0x101}) {
    for (auto size : {std::make_pair(640, 480), std::make_pair(320, 240)}) {
      const int w = size.first, h = size.second;
      const uint32_t frame = 12345;
      std::vector<uint8_t> image = Paint(w, h, frame, scene);
      int mismatches = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          mismatches += !(PixelAt(image.data(), w, h, x, y) ==
                          ExpectedPixel(x, y, w, h, frame, scene));
      EXPECT_EQ(0, mismatches) << "scene " << scene << " width " << w;
    }
  }
}

TEST(TestPattern, StoredBytesAreBgrBottomUpWithRedOnTop) {
  const int w = 320, h = 240;
  std::vector<uint8_t> image = Paint(w, h, 0, 0);
  // First stored row: the bottom of the picture, blue = bytes FF 00 00.
  EXPECT_EQ(0xFF, image[0]);
  EXPECT_EQ(0x00, image[1]);
  EXPECT_EQ(0x00, image[2]);
  // Last stored row: the top, red = bytes 00 00 FF.
  const size_t top = static_cast<size_t>(h - 1) * testcam::Rgb24Stride(w);
  EXPECT_EQ(0x00, image[top]);
  EXPECT_EQ(0x00, image[top + 1]);
  EXPECT_EQ(0xFF, image[top + 2]);
  EXPECT_TRUE((Rgb{255, 0, 0}) == PixelAt(image.data(), w, h, w - 1, h / 8 - 1));
  EXPECT_TRUE((Rgb{0, 0, 255}) == PixelAt(image.data(), w, h, 0, h - h / 8));
  EXPECT_TRUE((Rgb{0, 255, 0}) == PixelAt(image.data(), w, h, 0, h / 2));
  EXPECT_TRUE((Rgb{128, 128, 128}) == PixelAt(image.data(), w, h, w / 2, h / 2));
}

TEST(TestPattern, RowPaddingIsZero) {
  const int w = 322, h = 16;  // 966 bytes of pixels in 968-byte rows
  std::vector<uint8_t> image = Paint(w, h, 3, 1);
  for (int row = 0; row < h; ++row) {
    EXPECT_EQ(0, image[row * 968 + 966]);
    EXPECT_EQ(0, image[row * 968 + 967]);
  }
}

TEST(TestPattern, FrameCounterReadsBackAndMakesFramesDiffer) {
  for (uint32_t frame : {0u, 1u, 0xBEEFu, 0xFFFFu}) {
    std::vector<uint8_t> image = Paint(640, 480, frame, 0);
    EXPECT_EQ(frame, testcam::ReadFrameCounter(image.data(), 640, 480));
  }
  EXPECT_EQ(0x2345u, testcam::ReadFrameCounter(Paint(320, 240, 0x12345, 1).data(), 320, 240));
  EXPECT_NE(Paint(320, 240, 4, 0), Paint(320, 240, 5, 0));
  // Without the counter a still scene is exactly still.
  EXPECT_EQ(Paint(320, 240, 4, 0x100), Paint(320, 240, 5, 0x100));
  EXPECT_EQ(Paint(320, 240, 4, 0x101), Paint(320, 240, 9, 0x101));
}

TEST(TestPattern, ScenesDifferEnoughForMotionAndTheCounterHardlyAtAll) {
  std::vector<uint8_t> grey = Paint(640, 480, 1, 0);
  EXPECT_GT(ChangedFraction(grey, Paint(640, 480, 1, 1)), 0.4);
  EXPECT_LT(ChangedFraction(grey, Paint(640, 480, 2, 0)), 0.01);
  // The bar moves 8 pixels a frame.
  const int y = 240;
  auto barLeft = [&](uint32_t frame) {
    std::vector<uint8_t> image = Paint(640, 480, frame, 2);
    for (int x = 80; x < 640; ++x)
      if (PixelAt(image.data(), 640, 480, x, y).g == 255) return x;
    return -1;
  };
  EXPECT_EQ(80, barLeft(0));
  EXPECT_EQ(88, barLeft(1));
  EXPECT_EQ(80 + 8 * 10, barLeft(10));
  EXPECT_EQ(80, barLeft(65));  // wraps after (640 - 80 - 40) / 8 frames
}

}  // namespace
