#include "picture_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/byte_io.h"

namespace tremor {
namespace {

// A BMP file image written out by hand: 14-byte file header, `infoSize`-byte info header,
// rows of `w` BGR pixels padded to 4 bytes. Pixel (x, row) of the file has bytes
// (row*16 + x, 100 + x, 200 + row).
std::vector<uint8_t> Bmp(int w, int h, uint32_t infoSize = 40, uint16_t bits = 24) {
  const int rows = h < 0 ? -h : h;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const uint32_t offset = 14 + infoSize;
  std::vector<uint8_t> f(offset + stride * rows, 0xEE);  // 0xEE: padding
  f[0] = 'B';
  f[1] = 'M';
  common::PutU32LE(&f[2], static_cast<uint32_t>(f.size()));
  common::PutU32LE(&f[6], 0);
  common::PutU32LE(&f[10], offset);
  std::fill(f.begin() + 14, f.begin() + offset, 0);
  common::PutU32LE(&f[14], infoSize);
  common::PutU32LE(&f[18], static_cast<uint32_t>(w));
  common::PutU32LE(&f[22], static_cast<uint32_t>(h));
  common::PutU16LE(&f[26], 1);
  common::PutU16LE(&f[28], bits);
  common::PutU32LE(&f[30], 0);
  for (int row = 0; row < rows; ++row)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &f[offset + stride * row + 3 * x];
      p[0] = static_cast<uint8_t>(row * 16 + x);
      p[1] = static_cast<uint8_t>(100 + x);
      p[2] = static_cast<uint8_t>(200 + row);
    }
  return f;
}

TEST(Bmp24, RowsAreTakenInPlaceWithTheirPadding) {
  auto f = Bmp(3, 2);
  ASSERT_EQ(f.size(), 54u + 2 * 12);
  Picture p;
  ASSERT_TRUE(TakeBmp24Rows(f.data(), f.size(), &p));
  EXPECT_TRUE(p.bottomUp);
  EXPECT_EQ(p.rows.cols, 3);
  EXPECT_EQ(p.rows.rows, 2);
  EXPECT_EQ(p.rows.type(), CV_8UC3);
  EXPECT_EQ(p.rows.step[0], 12u);
  EXPECT_EQ(p.rows.data, f.data() + 54) << "no copy";
  EXPECT_EQ(p.rows.at<cv::Vec3b>(1, 2), cv::Vec3b(18, 102, 201));

  auto topDown = Bmp(5, -4);
  ASSERT_TRUE(TakeBmp24Rows(topDown.data(), topDown.size(), &p));
  EXPECT_FALSE(p.bottomUp) << "a negative height stores the top row first";
  EXPECT_EQ(p.rows.rows, 4);
  EXPECT_EQ(p.rows.step[0], 16u);

  // Newer info headers (124 bytes) and a gap before the pixels.
  auto v5 = Bmp(4, 3, 124);
  ASSERT_TRUE(TakeBmp24Rows(v5.data(), v5.size(), &p));
  EXPECT_EQ(p.rows.data, v5.data() + 138);
  auto gap = Bmp(2, 2);
  gap.insert(gap.begin() + 54, 8, 0);
  common::PutU32LE(&gap[10], 62);
  ASSERT_TRUE(TakeBmp24Rows(gap.data(), gap.size(), &p));
  EXPECT_EQ(p.rows.at<cv::Vec3b>(0, 1), cv::Vec3b(1, 101, 200));
}

TEST(Bmp24, OtherKindsAndHeadersThatDoNotFitAreRefused) {
  Picture p;
  auto refused = [&](std::vector<uint8_t> f) { return !TakeBmp24Rows(f.data(), f.size(), &p); };
  auto f = Bmp(3, 2);
  EXPECT_TRUE(refused({f.begin(), f.end() - 1})) << "last row's padding missing";
  EXPECT_TRUE(refused({f.begin(), f.begin() + 30})) << "header cut short";
  EXPECT_TRUE(refused(Bmp(3, 2, 40, 32)));
  EXPECT_TRUE(refused(Bmp(3, 2, 12)));  // the old core header is not taken here
  auto edit = [&](size_t at, uint32_t v, bool sixteen = false) {
    auto g = f;
    if (sixteen) common::PutU16LE(&g[at], static_cast<uint16_t>(v));
    else common::PutU32LE(&g[at], v);
    return g;
  };
  EXPECT_TRUE(refused(edit(0, 0x4D42 ^ 0x0100, true))) << "not BM";
  EXPECT_TRUE(refused(edit(30, 1))) << "run-length compressed";
  EXPECT_TRUE(refused(edit(30, 3))) << "bit fields";
  EXPECT_TRUE(refused(edit(26, 2, true))) << "two planes";
  EXPECT_TRUE(refused(edit(18, 0))) << "no width";
  EXPECT_TRUE(refused(edit(18, 0x80000001u))) << "negative width";
  EXPECT_TRUE(refused(edit(22, 0))) << "no height";
  EXPECT_TRUE(refused(edit(22, 0x80000000u)));
  EXPECT_TRUE(refused(edit(22, 0x7FFFFFFFu))) << "rows beyond the file";
  EXPECT_TRUE(refused(edit(18, 0x55555556u))) << "a stride whose product wraps in 32 bits";
  EXPECT_TRUE(refused(edit(10, 0xFFFFFFF0u))) << "pixels beyond the file";
  EXPECT_TRUE(refused(edit(10, 20))) << "pixels inside the headers";
  EXPECT_FALSE(TakeBmp24Rows(nullptr, 0, &p));
}

TEST(Bmp24, DamagedFilesNeverReachPastTheirBytes) {
  std::mt19937 rng(5);
  const auto good = Bmp(7, 5);
  Picture p;
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint8_t> f = good;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < flips; ++k) f[rng() % 60] ^= static_cast<uint8_t>(1u << (rng() % 8));
    f.resize(rng() % 2 ? f.size() : rng() % (f.size() + 1));
    // A copy of exactly that size, so any read beyond it is caught by the sanitizer.
    std::vector<uint8_t> exact(f.begin(), f.end());
    if (!TakeBmp24Rows(exact.data(), exact.size(), &p)) continue;
    const uint8_t* end = p.rows.ptr(p.rows.rows - 1) + p.rows.cols * 3;
    ASSERT_LE(end, exact.data() + exact.size());
    ASSERT_GE(p.rows.data, exact.data() + 54);
    volatile uint8_t sum = 0;
    for (int r = 0; r < p.rows.rows; ++r)
      for (int x = 0; x < p.rows.cols * 3; ++x) sum = static_cast<uint8_t>(sum + p.rows.ptr(r)[x]);
  }
}

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

TEST(PictureFile, WholeFilesIntoABufferThatOnlyGrows) {
  const std::string path = TempPath("tremor_picture_file.bin");
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteFile(path, big);
  std::vector<uint8_t> buffer;
  size_t size = 0;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), buffer, kPictureFileLimit, &size));
  ASSERT_EQ(size, big.size());
  EXPECT_TRUE(std::equal(big.begin(), big.end(), buffer.begin()));
  const uint8_t* data = buffer.data();
  const size_t capacity = buffer.size();
  ASSERT_TRUE(ReadWholeFile(path.c_str(), buffer, kPictureFileLimit, &size));
  EXPECT_EQ(buffer.data(), data) << "the same picture again allocates nothing";

  WriteFile(path, {1, 2, 3});
  ASSERT_TRUE(ReadWholeFile(path.c_str(), buffer, kPictureFileLimit, &size));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buffer.size(), capacity) << "never shrunk";
  EXPECT_EQ(buffer[2], 3);

  WriteFile(path, big);
  EXPECT_FALSE(ReadWholeFile(path.c_str(), buffer, big.size() - 1, &size)) << "over the limit";
  EXPECT_TRUE(ReadWholeFile(path.c_str(), buffer, big.size(), &size));
  std::remove(path.c_str());
  EXPECT_FALSE(ReadWholeFile(path.c_str(), buffer, kPictureFileLimit, &size));
  EXPECT_FALSE(ReadWholeFile(nullptr, buffer, kPictureFileLimit, &size));
}

TEST(PictureFile, LoadsTheCamerasBmpInPlace) {
  const std::string path = TempPath("tremor_picture_file.bmp");
  WriteFile(path, Bmp(5, 3));
  PictureBuffers buffers;
  Picture p;
  ASSERT_TRUE(LoadBmp24(path.c_str(), buffers, &p));
  EXPECT_EQ(p.rows.data, buffers.file.data() + 54);
  EXPECT_EQ(p.rows.at<cv::Vec3b>(2, 4), cv::Vec3b(36, 104, 202));
  WriteFile(path, {'B', 'M', 0});
  EXPECT_FALSE(LoadBmp24(path.c_str(), buffers, &p));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tremor
