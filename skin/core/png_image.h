// PNG decoding to 8-bit BGRA (straight alpha), top row first, through libpng.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace veneer {

struct BgraImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4
};

constexpr uint32_t kPngMaxSide = 8192;

// False for anything that is not a readable PNG, or whose pixels could not come from a file
// of its size (so a forged header cannot make a huge allocation).
bool DecodePng(const uint8_t* data, size_t size, BgraImage& out);
bool LoadPngFile(const std::filesystem::path& path, BgraImage& out);

}  // namespace veneer
