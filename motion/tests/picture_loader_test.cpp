// The library's picture loading against OpenCV's own reading of the same files.
#include "picture_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <opencv2/imgcodecs.hpp>
#include <string>

namespace tremor {
namespace {

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

// The picture upright, as cv::imread gives it.
cv::Mat Upright(const Picture& p) {
  cv::Mat m;
  if (p.bottomUp) cv::flip(p.rows, m, 0);
  else m = p.rows.clone();
  return m;
}

bool Same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

TEST(PictureLoader, ReadsWhatOpenCvReads) {
  cv::RNG rng(9);
  PictureBuffers buffers;  // one channel's, across all pictures
  struct Case {
    const char* name;
    cv::Mat picture;
    bool inPlace;  // a 24-bit BMP is used where it lies
  };
  cv::Mat odd(13, 5, CV_8UC3), camera(480, 640, CV_8UC3), grey(20, 30, CV_8UC1),
      withAlpha(7, 9, CV_8UC4);
  for (cv::Mat* m : {&odd, &camera, &grey, &withAlpha}) rng.fill(*m, cv::RNG::UNIFORM, 0, 256);
  const Case cases[] = {
      {"tremor_odd.bmp", odd, true},          {"tremor_camera.bmp", camera, true},
      {"tremor_grey.bmp", grey, false},       {"tremor_alpha.bmp", withAlpha, false},
      {"tremor_odd.ppm", odd, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = TempPath(c.name);
    ASSERT_TRUE(cv::imwrite(path, c.picture));
    Picture p;
    ASSERT_TRUE(LoadPicture(path.c_str(), buffers, &p));
    EXPECT_EQ(p.rows.type(), CV_8UC3);
    EXPECT_TRUE(Same(Upright(p), cv::imread(path, cv::IMREAD_COLOR)));
    const bool inFile = p.rows.data >= buffers.file.data() &&
                        p.rows.data < buffers.file.data() + buffers.file.size();
    EXPECT_EQ(inFile, c.inPlace);
    std::remove(path.c_str());
  }
}

TEST(PictureLoader, TopDownBmpAndUnreadableFiles) {
  // A 24-bit BMP with a negative height (top row first), written by hand.
  const int w = 3, h = 2, stride = 12;
  std::vector<uint8_t> f(54 + stride * h, 0);
  f[0] = 'B';
  f[1] = 'M';
  f[10] = 54;
  f[14] = 40;
  f[18] = w;
  std::memset(&f[22], 0xFF, 4);
  f[22] = 0xFE;  // -2
  f[26] = 1;
  f[28] = 24;
  f[54] = 10;            // top-left blue
  f[54 + stride] = 20;   // bottom-left blue
  const std::string path = TempPath("tremor_top_down.bmp");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
  PictureBuffers buffers;
  Picture p;
  ASSERT_TRUE(LoadPicture(path.c_str(), buffers, &p));
  EXPECT_FALSE(p.bottomUp);
  EXPECT_EQ(p.rows.at<cv::Vec3b>(0, 0)[0], 10);
  EXPECT_TRUE(Same(Upright(p), cv::imread(path, cv::IMREAD_COLOR)));

  out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("not a picture", out);
  std::fclose(out);
  EXPECT_FALSE(LoadPicture(path.c_str(), buffers, &p));
  std::remove(path.c_str());
  EXPECT_FALSE(LoadPicture(path.c_str(), buffers, &p)) << "missing file";
}

}  // namespace
}  // namespace tremor
