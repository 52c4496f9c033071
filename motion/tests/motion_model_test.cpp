#include "motion_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace tremor {
namespace {

cv::Mat Grey(int level, int w = 64, int h = 48) { return cv::Mat(h, w, CV_8UC3, cv::Scalar(level, level, level)); }

TEST(MotionModel, FirstPictureBecomesTheBackground) {
  MotionModel model;
  double mean = -1;
  EXPECT_EQ(model.Process(Grey(100), &mean), MotionModel::Result::kBackground);
  EXPECT_EQ(mean, -1) << "no comparison on the first picture";
  EXPECT_EQ(model.Process(Grey(100), &mean), MotionModel::Result::kCompared);
  EXPECT_DOUBLE_EQ(mean, 0.0);
}

TEST(MotionModel, FullFrameChangeStaysAboveThresholdUntilTheBackgroundAdapts) {
  MotionModel model;
  double mean = 0;
  model.Process(Grey(100), &mean);
  // With weight 0.003 the difference 40 * 0.997^k stays >= 30 for k <= 95.
  int above = 0;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(model.Process(Grey(140), &mean), MotionModel::Result::kCompared);
    if (i == 0) {
      EXPECT_NEAR(mean, 40.0, 1e-3);
    }
    if (mean >= 30.0) ++above;
  }
  EXPECT_NEAR(above, 96, 1);
  EXPECT_NEAR(model.background().at<float>(10, 10), 140 - 40 * std::pow(0.997, 200), 0.05);
}

TEST(MotionModel, ColourIsWeightedAsGreyAndSmoothingKeepsFlatAreas) {
  MotionModel model;
  double mean = 0;
  model.Process(cv::Mat(48, 64, CV_8UC3, cv::Scalar(0, 0, 0)), &mean);
  // Pure blue (BGR order) has grey level 0.114 * 255 = 29.
  model.Process(cv::Mat(48, 64, CV_8UC3, cv::Scalar(255, 0, 0)), &mean);
  EXPECT_NEAR(mean, 29.0, 1.0);
}

// Flat 100 with some pixels at 200, on a 4 x 4 picture.
cv::Mat WithBright(std::initializer_list<cv::Point> bright) {
  cv::Mat m(4, 4, CV_8UC3, cv::Scalar(100, 100, 100));
  for (const cv::Point& p : bright) m.at<cv::Vec3b>(p) = cv::Vec3b(200, 200, 200);
  return m;
}

TEST(MotionModel, SmoothingRepeatsTheEdgePixelsBeyondTheBorder) {
  // Kernel (1/4, 1/2, 1/4) in each direction; outside the picture the edge pixel repeats.
  // A bright left column: 0.25*200 + 0.5*200 + 0.25*100 = 175 there, 125 next to it, so
  // the mean difference is (75 + 25) * 4 / 16 = 25 (a mirrored border would give 18.75).
  MotionModel column;
  double mean = 0;
  column.Process(WithBright({}), &mean);
  ASSERT_EQ(column.Process(WithBright({{0, 0}, {0, 1}, {0, 2}, {0, 3}}), &mean),
            MotionModel::Result::kCompared);
  EXPECT_NEAR(mean, 25.0, 1e-4);

  // One bright corner: rows then columns give 156.25 at the corner, 118.75 beside and
  // below it, 106.25 on the diagonal: mean (56.25 + 18.75 * 2 + 6.25) / 16 = 6.25.
  MotionModel corner;
  corner.Process(WithBright({}), &mean);
  ASSERT_EQ(corner.Process(WithBright({{0, 0}}), &mean), MotionModel::Result::kCompared);
  EXPECT_NEAR(mean, 6.25, 1e-4);
  // The background moved by 0.003 of each smoothed difference.
  EXPECT_NEAR(corner.background().at<float>(0, 0), 100 + 0.003 * 56.25, 1e-4);
  EXPECT_NEAR(corner.background().at<float>(0, 1), 100 + 0.003 * 18.75, 1e-4);
  EXPECT_NEAR(corner.background().at<float>(1, 1), 100 + 0.003 * 6.25, 1e-4);
  EXPECT_NEAR(corner.background().at<float>(3, 3), 100.0, 1e-4);
}

TEST(MotionModel, PicturesThatCannotBeComparedAreSkipped) {
  MotionModel model;
  double mean = 0;
  EXPECT_EQ(model.Process(cv::Mat(), &mean), MotionModel::Result::kSkipped);
  EXPECT_EQ(model.Process(cv::Mat(48, 64, CV_8UC1), &mean), MotionModel::Result::kSkipped);
  model.Process(Grey(10), &mean);
  EXPECT_EQ(model.Process(Grey(10, 32, 48), &mean), MotionModel::Result::kSkipped);
  model.Reset();
  EXPECT_EQ(model.Process(Grey(10, 32, 48), &mean), MotionModel::Result::kBackground);
}

// Counts the matrices OpenCV allocates while it is the default allocator.
class CountingAllocator : public cv::MatAllocator {
 public:
  CountingAllocator() : std_(cv::Mat::getStdAllocator()), before_(cv::Mat::getDefaultAllocator()) {
    cv::Mat::setDefaultAllocator(this);
  }
  ~CountingAllocator() override { cv::Mat::setDefaultAllocator(before_); }
  cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, size_t* step,
                         cv::AccessFlag flags, cv::UMatUsageFlags usage) const override {
    ++count;
    return std_->allocate(dims, sizes, type, data, step, flags, usage);
  }
  bool allocate(cv::UMatData* data, cv::AccessFlag flags, cv::UMatUsageFlags usage) const override {
    return std_->allocate(data, flags, usage);
  }
  void deallocate(cv::UMatData* data) const override { std_->deallocate(data); }
  mutable std::atomic<int> count{0};

 private:
  cv::MatAllocator* std_;
  cv::MatAllocator* before_;
};

TEST(MotionModel, ComparisonsAllocateNothingAfterTheBackground) {
  cv::Mat top = Grey(90, 97, 61), bottom;
  cv::flip(Grey(120, 97, 61), bottom, 0);
  CountingAllocator counter;
  MotionModel model;
  double mean = 0;
  ASSERT_EQ(model.Process(top, &mean), MotionModel::Result::kBackground);
  EXPECT_GT(counter.count, 0) << "the background's buffers are made here";
  counter.count = 0;
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(model.Process(Picture{i % 2 ? bottom : top, i % 2 == 1}, &mean),
              MotionModel::Result::kCompared);
  }
  EXPECT_EQ(counter.count, 0) << "every comparison reuses the buffers";
}

}  // namespace
}  // namespace tremor
