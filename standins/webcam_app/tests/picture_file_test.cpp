// Saved pictures: the BMP layout byte for byte and the colours of each sample format.
#include <gtest/gtest.h>

#include <vector>

#include "picture_file.h"

using namespace webcam;

TEST(PictureFile, Rgb32SampleBecomesABottomUpBmp) {
  // 2 x 2, bottom-up: stored row 0 is the bottom row.
  const uint8_t sample[16] = {255, 0, 0, 0, 0, 255, 0, 0,      // bottom: blue, green
                              0, 0, 255, 0, 255, 255, 255, 0};  // top: red, white
  std::vector<uint8_t> bmp = BmpFile(sample, sizeof sample, SampleFormat::kRgb32, 2, 2);
  const std::vector<uint8_t> expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      255, 0, 0, 0, 255, 0, 0, 0,          // bottom row, padded to 8
      0, 0, 255, 255, 255, 255, 0, 0};     // top row
  EXPECT_EQ(expected, bmp);
  EXPECT_TRUE(BmpFile(sample, 15, SampleFormat::kRgb32, 2, 2).empty());
  EXPECT_TRUE(BmpFile(sample, 16, SampleFormat::kRgb32, 0, 2).empty());
}

TEST(PictureFile, Yuy2StudioRangeColours) {
  // One row of 4 pixels: white, black, then a red pair (Y 81, U 90, V 240).
  const uint8_t sample[8] = {235, 128, 16, 128, 81, 90, 81, 240};
  Rgb white = SamplePixel(sample, SampleFormat::kYuy2, 4, 1, 0, 0);
  Rgb black = SamplePixel(sample, SampleFormat::kYuy2, 4, 1, 1, 0);
  Rgb red = SamplePixel(sample, SampleFormat::kYuy2, 4, 1, 3, 0);
  EXPECT_EQ(255, white.r);
  EXPECT_EQ(255, white.g);
  EXPECT_EQ(255, white.b);
  EXPECT_EQ(0, black.r + black.g + black.b);
  EXPECT_NEAR(255, red.r, 2);
  EXPECT_NEAR(0, red.g, 2);
  EXPECT_NEAR(0, red.b, 2);
  EXPECT_EQ(8u, SampleSize(SampleFormat::kYuy2, 4, 1));
  EXPECT_EQ(24u, SampleSize(SampleFormat::kRgb24, 3, 2));  // rows of 9 bytes padded to 12
  EXPECT_STREQ("YUY2", FormatName(SampleFormat::kYuy2));
}
