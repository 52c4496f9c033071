// The stand-in orvel camera's frames: sizes by code and the pattern's colours in YUV.
#include <gtest/gtest.h>

#include "yuv_picture.h"

using namespace netclient_standin;

TEST(YuvPicture, SizesColoursAndCounter) {
  int w = 0, h = 0;
  EXPECT_TRUE(SizeOfCode(0, &w, &h));
  EXPECT_EQ(w * 1000 + h, 176144);
  EXPECT_TRUE(SizeOfCode(2, &w, &h));
  EXPECT_EQ(w * 1000 + h, 352288);
  EXPECT_TRUE(SizeOfCode(3, &w, &h));
  EXPECT_EQ(w * 1000 + h, 704576);
  EXPECT_FALSE(SizeOfCode(4, &w, &h));

  uint8_t y, u, v;
  RgbToYuv(255, 0, 0, &y, &u, &v);  // BT.601 studio range red
  EXPECT_EQ(y * 1000000 + u * 1000 + v, 82090240);
  RgbToYuv(128, 128, 128, &y, &u, &v);
  EXPECT_EQ(y * 1000000 + u * 1000 + v, 126128128);

  YuvPicture p;
  ASSERT_TRUE(PaintYuv(352, 288, 5, &p));
  ASSERT_EQ(p.y.size(), 352u * 288);
  ASSERT_EQ(p.u.size(), 176u * 144);
  EXPECT_EQ(p.y[2 * 352 + 200], 82);                  // red band, top rows
  EXPECT_EQ(p.v[1 * 176 + 100], 240);
  EXPECT_EQ(p.y[285 * 352 + 200], 41);                // blue band, bottom rows
  EXPECT_EQ(p.u[143 * 176 + 100], 240);
  EXPECT_EQ(p.y[150 * 352 + 200], 126);               // grey scene
  // Counter 5: cells 0 and 2 white, cell 1 black, in the rows below the red band.
  const int row = 288 / 8 + 4;
  EXPECT_EQ(p.y[row * 352 + 4], 235);
  EXPECT_EQ(p.y[row * 352 + 12], 16);
  EXPECT_EQ(p.y[row * 352 + 20], 235);
  EXPECT_FALSE(PaintYuv(351, 288, 0, &p));
  // Repainting the counter gives the picture of the new frame, for sizes whose counter rows
  // start on an odd row too.
  for (int height : {288, 120}) {
    YuvPicture whole, step;
    ASSERT_TRUE(PaintYuv(160, height, 0, &step));
    PaintCounter(0xBEEF, &step);
    ASSERT_TRUE(PaintYuv(160, height, 0xBEEF, &whole));
    EXPECT_EQ(step.y, whole.y);
    EXPECT_EQ(step.u, whole.u);
    EXPECT_EQ(step.v, whole.v);
  }
}
