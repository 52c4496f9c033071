// One channel's picture-against-background comparison: grey, 3x3 Gaussian, absolute
// difference, mean, and a running-average background. Buffers are made at the first
// picture and reused for every later one.
#pragma once

#include <opencv2/core.hpp>

namespace tremor {

constexpr double kBackgroundWeight = 0.003;

class MotionModel {
 public:
  enum class Result {
    kBackground,  // first picture: it became the background
    kCompared,    // mean difference computed
    kSkipped,     // empty, not 3-channel, or not the background's size
  };

  // `bgr` is an 8-bit 3-channel picture.
  Result Process(const cv::Mat& bgr, double* meanDifference);
  // The next picture becomes the background.
  void Reset();
  bool initialised() const { return !bkImg_.empty(); }
  const cv::Mat& background() const { return bkMat_; }

 private:
  cv::Mat frImg_;     // grey picture
  cv::Mat bkImg_;     // grey background
  cv::Mat frameMat_;  // smoothed picture, float
  cv::Mat frMat_;     // |picture - background|
  cv::Mat bkMat_;     // background, float
};

}  // namespace tremor
