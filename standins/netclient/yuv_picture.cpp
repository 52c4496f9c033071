#include "yuv_picture.h"

#include <algorithm>

#include "testcam/test_pattern.h"

namespace netclient_standin {

bool SizeOfCode(int code, int* width, int* height) {
  switch (code) {
    case 0: *width = 176; *height = 144; return true;
    case 1:
    case 2: *width = 352; *height = 288; return true;
    case 3: *width = 704; *height = 576; return true;
    default: return false;
  }
}

void RgbToYuv(int r, int g, int b, uint8_t* y, uint8_t* u, uint8_t* v) {
  *y = static_cast<uint8_t>(16 + ((66 * r + 129 * g + 25 * b + 128) >> 8));
  *u = static_cast<uint8_t>(128 + ((-38 * r - 74 * g + 112 * b + 128) >> 8));
  *v = static_cast<uint8_t>(128 + ((112 * r - 94 * g - 18 * b + 128) >> 8));
}

namespace {

// Paints the 2x2 blocks of rows [top, bottom) and columns [left, right), all even.
void PaintRegion(YuvPicture* out, uint32_t frame, int left, int top, int right, int bottom) {
  const int width = out->width, height = out->height;
  for (int row = top; row < bottom; row += 2) {
    for (int col = left; col < right; col += 2) {
      int su = 0, sv = 0;
      for (int k = 0; k < 4; ++k) {
        const int x = col + (k & 1), yy = row + (k >> 1);
        testcam::Rgb c = testcam::ExpectedPixel(x, yy, width, height, frame, testcam::kSceneGrey);
        uint8_t luma, cu, cv;
        RgbToYuv(c.r, c.g, c.b, &luma, &cu, &cv);
        out->y[static_cast<size_t>(yy) * width + x] = luma;
        su += cu;
        sv += cv;
      }
      const size_t at = static_cast<size_t>(row / 2) * (width / 2) + col / 2;
      out->u[at] = static_cast<uint8_t>((su + 2) / 4);
      out->v[at] = static_cast<uint8_t>((sv + 2) / 4);
    }
  }
}

}  // namespace

bool PaintYuv(int width, int height, uint32_t frame, YuvPicture* out) {
  if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0 || width > 4096 || height > 4096) return false;
  out->width = width;
  out->height = height;
  out->y.assign(static_cast<size_t>(width) * height, 0);
  out->u.assign(static_cast<size_t>(width / 2) * (height / 2), 0);
  out->v.assign(out->u.size(), 0);
  PaintRegion(out, frame, 0, 0, width, height);
  return true;
}

void PaintCounter(uint32_t frame, YuvPicture* picture) {
  // The counter's 16 cells of 8 x 8 pixels start at row height / 8; nothing else changes.
  const int top = picture->height / 8 / 2 * 2;
  const int bottom = std::min(picture->height, (picture->height / 8 + 8 + 1) / 2 * 2);
  const int right = std::min(picture->width, 16 * 8);
  PaintRegion(picture, frame, 0, top, right, bottom);
}

}  // namespace netclient_standin
