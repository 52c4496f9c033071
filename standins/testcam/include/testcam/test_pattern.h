// The test camera's picture, so tests can check orientation, colour and motion.
//
// Coordinates are as displayed: x = 0 is the left column, y = 0 the top row. Sizes W x H.
// Colours are given as (R, G, B); in the RGB24 sample a pixel is stored as the bytes B, G, R
// and rows are bottom-up (the first stored row is the bottom row y = H - 1), each row
// padded to a multiple of 4 bytes.
//
//   top band      y <  H/8           pure red   (255,   0,   0)
//   bottom band   y >= H - H/8       pure blue  (  0,   0, 255)
//   middle band, left strip x < W/8  pure green (  0, 255,   0)
//   middle band, rest                the scene:
//     scene 0  mid grey (128, 128, 128)                                    (still)
//     scene 1  checkerboard of 32 x 32 squares: white (255,255,255) where
//              (x/32 + y/32) is even, black (0,0,0) elsewhere              (still)
//     scene 2  mid grey with a white vertical bar W/16 wide whose left edge
//              is at W/8 + (8 * frame) mod (W - W/8 - W/16)                (moving)
//     other values show scene 0.
//   frame counter: the low 16 bits of the frame number as 16 cells of 8 x 8 pixels in
//   rows H/8 .. H/8+7; cell i covers x in [8i, 8i+8) and is white when bit i is set,
//   black otherwise. It is drawn over everything else unless the scene value has the
//   flag kSceneNoCounter (then the picture of scenes 0 and 1 does not change at all).
//
// The frame number counts delivered frames from 0 at every start of streaming.
#pragma once

#include <cstdint>

namespace testcam {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

constexpr int kSceneGrey = 0;
constexpr int kSceneChecker = 1;
constexpr int kSceneMovingBar = 2;
constexpr int kSceneNoCounter = 0x100;

// The colour of displayed pixel (x, y).
Rgb ExpectedPixel(int x, int y, int width, int height, uint32_t frame, int scene);
// Bytes per stored RGB24 row.
int Rgb24Stride(int width);
// Paints an RGB24 bottom-up image of Rgb24Stride(width) * height bytes.
void PaintFrame(uint8_t* image, int width, int height, uint32_t frame, int scene);
// The displayed pixel (x, y) of such an image.
Rgb PixelAt(const uint8_t* image, int width, int height, int x, int y);
// Reads the frame counter back (cell centres; white means a set bit).
uint32_t ReadFrameCounter(const uint8_t* image, int width, int height);

}  // namespace testcam
