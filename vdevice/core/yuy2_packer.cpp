#include "yuy2_packer.h"

#include <cstring>

namespace mirage {

namespace {

// 8 luma samples with their 4 chroma pairs into 16 output bytes, interleaved in two
// 64-bit words.
inline void Pack8(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out) {
  uint32_t words[4];
  for (int pair = 0; pair < 4; ++pair) {
    words[pair] = uint32_t{y[2 * pair]} | uint32_t{u[pair]} << 8 | uint32_t{y[2 * pair + 1]} << 16 |
                  uint32_t{v[pair]} << 24;
  }
  std::memcpy(out, words, 16);  // little-endian byte order is the packed order
}

}  // namespace

size_t PlanarFrameSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  return luma + 2 * (luma / 4);
}

bool PackYuy2(const uint8_t* frame, int width, int height, uint8_t* out) {
  if (frame == nullptr || out == nullptr || width <= 0 || height <= 0 || (width | height) & 1)
    return false;
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  const size_t chromaRow = w / 2;
  const uint8_t* yPlane = frame;
  const uint8_t* vPlane = frame + w * h;
  const uint8_t* uPlane = vPlane + chromaRow * (h / 2);
  const size_t steps = w / 8;
  for (size_t row = 0; row < h; ++row) {
    const uint8_t* y = yPlane + row * w;
    const uint8_t* u = uPlane + (row / 2) * chromaRow;
    const uint8_t* v = vPlane + (row / 2) * chromaRow;
    uint8_t* o = out + row * w * 2;
    for (size_t s = 0; s < steps; ++s, y += 8, u += 4, v += 4, o += 16) Pack8(y, u, v, o);
    for (size_t x = steps * 8; x < w; x += 2, y += 2, ++u, ++v, o += 4) {
      o[0] = y[0];
      o[1] = *u;
      o[2] = y[1];
      o[3] = *v;
    }
  }
  return true;
}

}  // namespace mirage
