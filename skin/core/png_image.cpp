#include "png_image.h"

#include <png.h>

#include <cstring>
#include <fstream>

namespace veneer {

bool DecodePng(const uint8_t* data, size_t size, BgraImage& out) {
  out = BgraImage{};
  if (data == nullptr || size < 8) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return false;
  uint64_t pixels = uint64_t{image.width} * image.height;
  // Deflate cannot shrink data by much more than 1032:1.
  bool plausible = image.width > 0 && image.height > 0 && image.width <= kPngMaxSide &&
                   image.height <= kPngMaxSide && pixels * 4 <= uint64_t{size} * 1100 + (1u << 16);
  if (!plausible) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  out.width = image.width;
  out.height = image.height;
  out.pixels = std::move(buffer);
  return true;
}

bool LoadPngFile(const std::filesystem::path& path, BgraImage& out) {
  out = BgraImage{};
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff length = in.tellg();
  if (length <= 0 || length > (256 << 20)) return false;
  in.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) return false;
  return DecodePng(bytes.data(), bytes.size(), out);
}

}  // namespace veneer
