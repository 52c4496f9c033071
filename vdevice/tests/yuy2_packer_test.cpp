// YUY2 packing against the worked example and a plain per-pixel reference.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "yuy2_packer.h"

using mirage::PackYuy2;
using mirage::PlanarFrameSize;

TEST(Yuy2Packer, TwoByTwoBlockPacksLumaWithItsChromaPair) {
  // Y rows (10, 20) and (30, 40); then V, then U.
  const uint8_t frame[6] = {10, 20, 30, 40, 200, 100};
  uint8_t out[8] = {};
  ASSERT_TRUE(PackYuy2(frame, 2, 2, out));
  const uint8_t expected[8] = {10, 100, 20, 200, 30, 100, 40, 200};
  EXPECT_EQ(0, memcmp(expected, out, 8));
  EXPECT_EQ(6u, PlanarFrameSize(2, 2));
  EXPECT_EQ(704u * 576 * 3 / 2, PlanarFrameSize(704, 576));
}

TEST(Yuy2Packer, EverySizeMatchesThePerPixelReference) {
  std::mt19937 rng(42);
  // The camera sizes, and widths whose tail is not a whole step of 8.
  const int sizes[][2] = {{176, 144}, {352, 288}, {704, 576}, {18, 6}, {2, 4}, {10, 2}};
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    const size_t n = PlanarFrameSize(w, h);
    std::unique_ptr<uint8_t[]> frame(new uint8_t[n]);
    for (size_t i = 0; i < n; ++i) frame[i] = static_cast<uint8_t>(rng());
    std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(w) * h * 2]);
    ASSERT_TRUE(PackYuy2(frame.get(), w, h, out.get()));
    const uint8_t* v = frame.get() + w * h;
    const uint8_t* u = v + (w / 2) * (h / 2);
    int bad = 0;
    for (int y = 0; y < h && bad < 5; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint8_t* px = out.get() + (static_cast<size_t>(y) * w + x) * 2;
        const int c = (y / 2) * (w / 2) + x / 2;
        const uint8_t chroma = x % 2 == 0 ? u[c] : v[c];
        if (px[0] != frame[static_cast<size_t>(y) * w + x] || px[1] != chroma) {
          ADD_FAILURE() << w << "x" << h << " at " << x << "," << y;
          ++bad;
        }
      }
    }
  }
}

TEST(Yuy2Packer, OddOrEmptySizesWriteNothing) {
  uint8_t frame[64] = {1};
  uint8_t out[64];
  memset(out, 0xEE, sizeof out);
  EXPECT_FALSE(PackYuy2(frame, 3, 2, out));
  EXPECT_FALSE(PackYuy2(frame, 2, 3, out));
  EXPECT_FALSE(PackYuy2(frame, 0, 2, out));
  EXPECT_FALSE(PackYuy2(frame, -2, 2, out));
  EXPECT_FALSE(PackYuy2(nullptr, 2, 2, out));
  for (uint8_t b : out) EXPECT_EQ(0xEE, b);
  EXPECT_EQ(0u, PlanarFrameSize(0, 4));
}
