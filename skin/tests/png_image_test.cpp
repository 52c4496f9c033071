#include "png_image.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "temp_dir.h"

namespace {

std::vector<uint8_t> MakePng(uint32_t w, uint32_t h) {
  std::vector<uint8_t> rgba(size_t{w} * h * 4);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &rgba[(size_t{y} * w + x) * 4];
      p[0] = static_cast<uint8_t>(x * 10);  // R
      p[1] = static_cast<uint8_t>(y * 20);  // G
      p[2] = 200;                           // B
      p[3] = static_cast<uint8_t>(x == 0 ? 0 : 255);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
  std::vector<uint8_t> out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr));
  out.resize(size);
  return out;
}

TEST(PngImage, DecodesToBgraWithAlpha) {
  std::vector<uint8_t> png = MakePng(7, 5);
  veneer::BgraImage img;
  ASSERT_TRUE(veneer::DecodePng(png.data(), png.size(), img));
  EXPECT_EQ(img.width, 7u);
  EXPECT_EQ(img.height, 5u);
  const uint8_t* p = &img.pixels[(2 * 7 + 3) * 4];
  EXPECT_EQ(p[0], 200);  // B
  EXPECT_EQ(p[1], 40);   // G
  EXPECT_EQ(p[2], 30);   // R
  EXPECT_EQ(p[3], 255);
  EXPECT_EQ(img.pixels[3], 0);
}

TEST(PngImage, LoadsFromFile) {
  TempDir tmp;
  WriteBytes(tmp.path() / "a.png", MakePng(3, 3));
  veneer::BgraImage img;
  EXPECT_TRUE(veneer::LoadPngFile(tmp.path() / "a.png", img));
  EXPECT_FALSE(veneer::LoadPngFile(tmp.path() / "missing.png", img));
  EXPECT_EQ(img.width, 0u);
}

TEST(PngImage, TruncatedAndDamagedFilesFail) {
  std::vector<uint8_t> png = MakePng(16, 16);
  veneer::BgraImage whole;
  ASSERT_TRUE(veneer::DecodePng(png.data(), png.size(), whole));
  for (size_t cut = 0; cut < png.size(); ++cut) {
    veneer::BgraImage img;
    bool ok = veneer::DecodePng(png.data(), cut, img);
    if (cut < png.size() - 12) {
      EXPECT_FALSE(ok) << cut;
    } else if (ok) {
      EXPECT_EQ(img.pixels, whole.pixels) << cut;  // only the end marker is missing
    }
  }
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> broken = png;
    broken[rng() % broken.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    veneer::BgraImage img;
    if (veneer::DecodePng(broken.data(), broken.size(), img)) {
      EXPECT_EQ(img.pixels.size(), size_t{img.width} * img.height * 4);
    }
  }
}

TEST(PngImage, HugeDimensionsInASmallFileAreRefused) {
  std::vector<uint8_t> png = MakePng(4, 4);
  // IHDR width and height (big-endian) start at byte 16; the CRC would now be wrong,
  // so patch it as well to reach the size check.
  auto put32 = [&](size_t at, uint32_t v) {
    png[at] = static_cast<uint8_t>(v >> 24);
    png[at + 1] = static_cast<uint8_t>(v >> 16);
    png[at + 2] = static_cast<uint8_t>(v >> 8);
    png[at + 3] = static_cast<uint8_t>(v);
  };
  put32(16, 8000);
  put32(20, 8000);
  uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
  put32(29, crc);
  veneer::BgraImage img;
  EXPECT_FALSE(veneer::DecodePng(png.data(), png.size(), img));
  EXPECT_TRUE(img.pixels.empty());
}

}  // namespace
