// Decodes a JPEG to top-down RGB for checks in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lantern::testing {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage* out);

}  // namespace lantern::testing
