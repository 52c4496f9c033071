#include "motion_model.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tremor
