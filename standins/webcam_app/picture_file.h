// Captured samples as 24-bit BMP files, for a capture program to save what it received.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace webcam {

enum class SampleFormat { kRgb32, kRgb24, kYuy2 };

// "RGB32", "RGB24", "YUY2".
const char* FormatName(SampleFormat format);

// Bytes of one sample of that format and size (RGB rows padded to 4 bytes).
size_t SampleSize(SampleFormat format, int width, int height);

// The displayed colour of pixel (x, y) (x = 0 left, y = 0 top) of a sample: RGB samples
// are bottom-up B G R (X) rows, YUY2 top-down Y0 U Y1 V pairs in BT.601 studio range.
struct Rgb {
  uint8_t r, g, b;
};
Rgb SamplePixel(const uint8_t* sample, SampleFormat format, int width, int height, int x, int y);

// A whole BMP file (24 bits, bottom-up) of the sample; empty when the size is not positive
// or `length` is short.
std::vector<uint8_t> BmpFile(const uint8_t* sample, size_t length, SampleFormat format,
                             int width, int height);

}  // namespace webcam
