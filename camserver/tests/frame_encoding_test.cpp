#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "capture_frame_step.h"
#include "frame_block.h"
#include "jpeg_decode.h"
#include "jpeg_encoder.h"
#include "jpeg_reference.h"

namespace lantern {
namespace {

using testing::DecodedImage;
using testing::DecodeJpeg;
using testing::ReferenceJpeg;

// Bottom-up BGR pixels as a capture device delivers them: the picture's top quarter red,
// its bottom quarter blue, green between.
std::vector<uint8_t> CapturePixels(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
  for (int row = 0; row < h; ++row) {
    int pictureRow = h - 1 - row;
    uint8_t b = 0, g = 0, r = 0;
    if (pictureRow < h / 4) r = 255;
    else if (pictureRow >= h - h / 4) b = 255;
    else g = 200;
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(row) * w + x) * 3];
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  return px;
}

uint8_t kInfoHeader[40] = {40};

TEST(JpegOutput, BlockStartsAt102400AndGrowsByTwiceTheAppend) {
  JpegOutBuffer out;
  std::vector<uint8_t> chunk(4096, 7);
  AppendJpegBytes(out, chunk.data(), chunk.size());
  EXPECT_EQ(out.data.size(), 2u * 4096) << "an empty block grows by 2n";
  out = JpegOutBuffer();
  out.data.resize(kJpegInitialBlock);
  for (int i = 0; i < 25; ++i) AppendJpegBytes(out, chunk.data(), chunk.size());
  EXPECT_EQ(out.data.size(), kJpegInitialBlock);
  AppendJpegBytes(out, chunk.data(), chunk.size());
  EXPECT_EQ(out.data.size(), kJpegInitialBlock + 2 * 4096);
  EXPECT_EQ(out.length, 26u * 4096);
  EXPECT_EQ(out.data[out.length - 1], 7);
}

// Pictures of several kinds and sizes, bottom-up BGR: flat bands, a gradient scene with
// edges, noise; sizes below, at and beyond the 16x16 blocks of 2x2 subsampling.
std::vector<uint8_t> KindOfPicture(int kind, int w, int h) {
  if (kind == 0) return CapturePixels(w, h);
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
  std::mt19937 rng(static_cast<unsigned>(w * 7919 + h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
      if (kind == 1) {
        p[0] = static_cast<uint8_t>((x * 255) / w);
        p[1] = static_cast<uint8_t>((y * 255) / h);
        p[2] = static_cast<uint8_t>(((x / 40 + y / 40) % 2) ? 200 : 60);
      } else {
        p[0] = static_cast<uint8_t>(rng());
        p[1] = static_cast<uint8_t>(rng());
        p[2] = static_cast<uint8_t>(rng());
      }
    }
  return px;
}

TEST(JpegOutput, BytesAreThoseOfTheFlipAndSwapEncoder) {
  const struct { int w, h; } sizes[] = {{640, 480}, {320, 240}, {1, 1},   {7, 5},  {15, 15},
                                        {16, 16},   {17, 17},   {33, 17}, {17, 1}, {1, 19},
                                        {161, 97},  {641, 479}};
  JpegOutBuffer out;  // reused, as the camera does
  for (const auto& size : sizes) {
    for (int kind = 0; kind < 3; ++kind) {
      SCOPED_TRACE(::testing::Message() << size.w << "x" << size.h << " kind " << kind);
      const std::vector<uint8_t> px = KindOfPicture(kind, size.w, size.h);
      std::vector<uint8_t> frame = px;
      ASSERT_TRUE(EncodeFrame(frame.data(), frame.size(), size.w, size.h, out));
      const std::vector<uint8_t> expected = ReferenceJpeg(px.data(), size.w, size.h, 75);
      ASSERT_EQ(out.length, expected.size());
      EXPECT_EQ(0, std::memcmp(out.data.data(), expected.data(), expected.size()));
      EXPECT_TRUE(frame == px) << "the captured frame is read, never changed";
    }
  }
}

TEST(JpegOutput, FrameStartsWithTheHeadersOfABaselineQuality75Picture) {
  auto px = KindOfPicture(1, 161, 97);
  JpegOutBuffer out;
  ASSERT_TRUE(EncodeFrame(px.data(), px.size(), 161, 97, out));
  // SOI, JFIF 1.01 without density unit, then the luminance table at quality 75 (each basic
  // entry halved, in zig-zag order: 16 11 12 14 12 10 -> 8 6 6 7 6 5).
  const uint8_t start[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                           0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB,
                           0x00, 0x43, 0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05};
  ASSERT_GT(out.length, sizeof start);
  EXPECT_EQ(0, std::memcmp(out.data.data(), start, sizeof start));
  // Baseline frame: 8 bits, 97 rows, 161 columns, Y sampled 2x2 with table 0, Cb and Cr 1x1
  // with table 1.
  const uint8_t sof[] = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x61, 0x00, 0xA1, 0x03,
                         0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01};
  const uint8_t* begin = out.data.data();
  const uint8_t* end = begin + out.length;
  EXPECT_NE(std::search(begin, end, sof, sof + sizeof sof), end);
  EXPECT_EQ(end[-2], 0xFF);
  EXPECT_EQ(end[-1], 0xD9);
}

TEST(JpegOutput, EncodedFrameIsUprightWithColoursInPlace) {
  auto px = CapturePixels(320, 240);
  JpegOutBuffer out;
  ASSERT_TRUE(EncodeFrame(px.data(), px.size(), 320, 240, out));
  ASSERT_GT(out.length, 100u);
  EXPECT_EQ(out.data.size(), kJpegInitialBlock);
  DecodedImage img;
  ASSERT_TRUE(DecodeJpeg(out.data.data(), out.length, &img));
  ASSERT_EQ(img.width, 320);
  ASSERT_EQ(img.height, 240);
  const uint8_t* top = img.At(160, 5);
  EXPECT_GT(top[0], 230);
  EXPECT_LT(top[2], 30);
  const uint8_t* bottom = img.At(160, 234);
  EXPECT_LT(bottom[0], 30);
  EXPECT_GT(bottom[2], 230);
}

TEST(JpegOutput, FrameLargerThanTheInitialBlockArrivesWhole) {
  std::mt19937 rng(3);
  std::vector<uint8_t> px(640 * 480 * 3);
  for (auto& b : px) b = static_cast<uint8_t>(rng());
  JpegOutBuffer out;
  ASSERT_TRUE(EncodeFrame(px.data(), px.size(), 640, 480, out));
  ASSERT_GT(out.length, kJpegInitialBlock);
  EXPECT_GE(out.data.size(), out.length);
  DecodedImage img;
  ASSERT_TRUE(DecodeJpeg(out.data.data(), out.length, &img));
  EXPECT_EQ(img.height, 480);
  EXPECT_EQ(out.data[out.length - 2], 0xFF);
  EXPECT_EQ(out.data[out.length - 1], 0xD9);
}

TEST(JpegOutput, LibraryErrorDropsTheFrame) {
  std::vector<uint8_t> px(70000 * 3, 0);  // wider than JPEG allows
  JpegOutBuffer out;
  std::string message;
  EXPECT_FALSE(EncodeFrame(px.data(), px.size(), 70000, 1, out,
                           [&](const std::string& m) { message = m; }));
  EXPECT_EQ(out.length, 0u);
  EXPECT_FALSE(message.empty());
  // The kept compressor still works afterwards, with the bytes it makes on its own.
  auto good = CapturePixels(17, 9);
  ASSERT_TRUE(EncodeFrame(good.data(), good.size(), 17, 9, out));
  const std::vector<uint8_t> expected = ReferenceJpeg(good.data(), 17, 9, 75);
  ASSERT_EQ(out.length, expected.size());
  EXPECT_EQ(0, std::memcmp(out.data.data(), expected.data(), expected.size()));
}

TEST(FrameBlockTest, HeadersAndSamplesNeverPastTheBlock) {
  FrameBlock block;
  EXPECT_FALSE(block.HasFrame());
  block.Configure(kInfoHeader, 4, 2, 24);
  EXPECT_EQ(block.frameSize(), 54u);
  EXPECT_FALSE(block.HasFrame()) << "no sample yet";
  EXPECT_EQ(0, std::memcmp(block.image(), "BM\x4e\0\0\0\0\0\0\0\x36\0\0\0\x28", 15));

  std::vector<uint8_t> sample(100, 0xAB);
  block.StoreSample(sample.data(), sample.size());
  EXPECT_EQ(block.frameSize(), 54u + 24u) << "a long sample is cut to the pixel room";
  EXPECT_EQ(block.capacity(), 78u);
  block.StoreSample(sample.data(), 10);
  EXPECT_EQ(block.frameSize(), 64u);
  EXPECT_FALSE(block.consumed());
}

class FrameStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    block.Configure(kInfoHeader, 32, 16, 32 * 16 * 3);
  }
  void NewSample() {
    auto px = CapturePixels(32, 16);
    block.StoreSample(px.data(), px.size());
  }
  bool Grab(bool viewer) {
    return step.Grab(block, out, viewer, [&] { return armed; },
                     [&](const uint8_t* image, size_t size) {
                       ++motionChecks;
                       EXPECT_EQ(image[0], 'B');
                       EXPECT_EQ(size, 54u + 32 * 16 * 3);
                     });
  }
  FrameBlock block;
  CaptureFrameStep step;
  JpegOutBuffer out;
  bool armed = true;
  int motionChecks = 0;
};

TEST_F(FrameStepTest, NothingBeforeTheFirstSample) {
  EXPECT_FALSE(Grab(true));
  EXPECT_EQ(step.calls(), 0u);
  EXPECT_EQ(out.length, 0u);
}

TEST_F(FrameStepTest, EachFrameIsEncodedOnceAndOnlyForAViewer) {
  NewSample();
  EXPECT_FALSE(Grab(false)) << "no viewer: nothing encoded";
  EXPECT_EQ(out.length, 0u);
  EXPECT_TRUE(Grab(true));
  EXPECT_GT(out.length, 0u);
  EXPECT_FALSE(Grab(true)) << "same frame is never sent twice";
  NewSample();
  EXPECT_TRUE(Grab(true));
}

TEST_F(FrameStepTest, MotionCheckEverySecondPassOnFreshArmedFrames) {
  NewSample();
  for (int i = 0; i < 6; ++i) Grab(false);
  EXPECT_EQ(motionChecks, 3);
  armed = false;
  for (int i = 0; i < 4; ++i) Grab(false);
  EXPECT_EQ(motionChecks, 3);
  armed = true;
  Grab(true);   // call 11: encodes and consumes
  Grab(false);  // call 12: due, but the frame was consumed
  EXPECT_EQ(motionChecks, 3);
  NewSample();
  Grab(false);
  Grab(false);
  EXPECT_EQ(motionChecks, 4);
}

}  // namespace
}  // namespace lantern
