#include "picture_file.h"

#include <algorithm>

namespace webcam {

namespace {

uint8_t Clip(int v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

// BT.601 studio range, in integers scaled by 1024.
Rgb FromYuv(int y, int u, int v) {
  const int c = 1192 * (y - 16);
  const int d = u - 128, e = v - 128;
  return Rgb{Clip((c + 1634 * e + 512) >> 10), Clip((c - 401 * d - 832 * e + 512) >> 10),
             Clip((c + 2066 * d + 512) >> 10)};
}

size_t RgbStride(int width, int bytesPerPixel) {
  return (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Put16(out, at, v);
  Put16(out, at + 2, v >> 16);
}

}  // namespace

const char* FormatName(SampleFormat format) {
  switch (format) {
    case SampleFormat::kRgb32: return "RGB32";
    case SampleFormat::kRgb24: return "RGB24";
    case SampleFormat::kYuy2: return "YUY2";
  }
  return "?";
}

size_t SampleSize(SampleFormat format, int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  switch (format) {
    case SampleFormat::kRgb32: return RgbStride(width, 4) * height;
    case SampleFormat::kRgb24: return RgbStride(width, 3) * height;
    case SampleFormat::kYuy2: return static_cast<size_t>(width) * 2 * height;
  }
  return 0;
}

Rgb SamplePixel(const uint8_t* sample, SampleFormat format, int width, int height, int x, int y) {
  switch (format) {
    case SampleFormat::kRgb32:
    case SampleFormat::kRgb24: {
      const int bytes = format == SampleFormat::kRgb32 ? 4 : 3;
      const uint8_t* p = sample + RgbStride(width, bytes) * static_cast<size_t>(height - 1 - y) +
                         static_cast<size_t>(x) * bytes;
      return Rgb{p[2], p[1], p[0]};
    }
    case SampleFormat::kYuy2: {
      const uint8_t* pair = sample + (static_cast<size_t>(y) * width + (x & ~1)) * 2;
      return FromYuv(pair[(x & 1) * 2], pair[1], pair[3]);
    }
  }
  return Rgb{0, 0, 0};
}

std::vector<uint8_t> BmpFile(const uint8_t* sample, size_t length, SampleFormat format,
                             int width, int height) {
  if (sample == nullptr || width <= 0 || height <= 0 || length < SampleSize(format, width, height))
    return {};
  const size_t stride = RgbStride(width, 3);
  const size_t pixels = stride * height;
  std::vector<uint8_t> out(54 + pixels, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(width));
  Put32(out, 22, static_cast<uint32_t>(height));  // bottom-up
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, static_cast<uint32_t>(pixels));
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.data() + 54 + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Rgb c = SamplePixel(sample, format, width, height, x, y);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
  }
  return out;
}

}  // namespace webcam
