#include "smoothing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <opencv2/imgproc.hpp>

namespace tremor {
namespace {

// What the detector computed before: convert to float, then OpenCV's 3x3 Gaussian.
cv::Mat OpenCvSmoothing(const cv::Mat& grey) {
  cv::Mat f;
  grey.convertTo(f, CV_32F);
  cv::GaussianBlur(f, f, cv::Size(3, 3), 0, 0, cv::BORDER_REPLICATE);
  return f;
}

bool SameBits(const cv::Mat& a, const cv::Mat& b) {
  if (a.size() != b.size() || a.type() != b.type()) return false;
  for (int r = 0; r < a.rows; ++r)
    if (std::memcmp(a.ptr(r), b.ptr(r), a.cols * a.elemSize()) != 0) return false;
  return true;
}

TEST(Smoothing, EqualsOpenCvGaussianBitForBitAtEverySizeAndOrientation) {
  const cv::Size sizes[] = {{1, 1}, {7, 1}, {1, 7}, {2, 2}, {3, 5},    {16, 3},
                            {17, 16}, {18, 2}, {33, 31}, {97, 61}, {640, 480}};
  cv::RNG rng(17);
  std::vector<uint16_t> scratch;  // shared across sizes, as a channel keeps it
  cv::Mat out;
  for (const cv::Size& size : sizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    cv::Mat grey(size, CV_8U);
    rng.fill(grey, cv::RNG::UNIFORM, 0, 256);
    // Extremes too: all-white rows and columns give the largest sums.
    grey.row(0).setTo(255);
    grey.col(grey.cols - 1).setTo(255);
    const cv::Mat expected = OpenCvSmoothing(grey);
    SmoothGrey3x3(grey, false, scratch, out);
    EXPECT_TRUE(SameBits(out, expected));
    cv::Mat flipped;
    cv::flip(grey, flipped, 0);
    SmoothGrey3x3(flipped, true, scratch, out);
    EXPECT_TRUE(SameBits(out, expected)) << "rows stored bottom-up come out upright";
    // A view into a wider picture (rows not contiguous).
    cv::Mat wide(size.height, size.width + 5, CV_8U, cv::Scalar(9));
    grey.copyTo(wide.colRange(2, 2 + size.width));
    SmoothGrey3x3(wide.colRange(2, 2 + size.width), false, scratch, out);
    EXPECT_TRUE(SameBits(out, expected));
  }
}

TEST(Smoothing, KeepsTheOutputMatrixOfTheSameSize) {
  cv::Mat grey(48, 64, CV_8U, cv::Scalar(3)), out;
  std::vector<uint16_t> scratch;
  SmoothGrey3x3(grey, false, scratch, out);
  const uchar* data = out.data;
  SmoothGrey3x3(grey, true, scratch, out);
  EXPECT_EQ(out.data, data);
  EXPECT_EQ(out.at<float>(10, 10), 3.0f);
}

}  // namespace
}  // namespace tremor
