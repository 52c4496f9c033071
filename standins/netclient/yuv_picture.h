// The stand-in orvel camera's decoded frames: the test camera's pattern (red top band, blue
// bottom band, green left strip, grey scene, frame counter cells) as planar YUV 4:2:0,
// BT.601 studio range, rows top-down without gaps.
#pragma once

#include <cstdint>
#include <vector>

namespace netclient_standin {

struct YuvPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> y;  // width x height
  std::vector<uint8_t> u;  // width/2 x height/2
  std::vector<uint8_t> v;
};

// Frame sizes by the stream size code: 0 176x144, 1 and 2 352x288, 3 704x576. False for
// other codes.
bool SizeOfCode(int code, int* width, int* height);

// Even sizes only; false otherwise.
bool PaintYuv(int width, int height, uint32_t frame, YuvPicture* out);

// Repaints only what changes from frame to frame of a picture PaintYuv made: the counter.
void PaintCounter(uint32_t frame, YuvPicture* picture);

// The colour conversion the pictures use.
void RgbToYuv(int r, int g, int b, uint8_t* y, uint8_t* u, uint8_t* v);

}  // namespace netclient_standin
