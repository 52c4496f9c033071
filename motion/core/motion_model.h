// One channel's picture-against-background comparison: grey, 3x3 Gaussian, absolute
// difference, mean, and a running-average background. Buffers are made at the first
// picture and reused for every later one.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <opencv2/core.hpp>

#include "picture_file.h"

namespace tremor {

constexpr double kBackgroundWeight = 0.003;

class MotionModel {
 public:
  enum class Result {
    kBackground,  // first picture: it became the background
    kCompared,    // mean difference computed
    kSkipped,     // empty, not 3-channel, or not the background's size
  };
  // The steps of a comparison, in order.
  enum class Step { kGrey, kSmooth, kDifference, kSum, kBackground };
  static constexpr int kSteps = 5;

  // `picture.rows` is 8-bit 3-channel.
  Result Process(const Picture& picture, double* meanDifference);
  // A top-down picture.
  Result Process(const cv::Mat& bgr, double* meanDifference) {
    return Process(Picture{bgr, false}, meanDifference);
  }
  // The next picture becomes the background.
  void Reset();
  bool initialised() const { return !bkImg_.empty(); }
  const cv::Mat& background() const { return bkMat_; }
  // Called after each step of a comparison (the benchmark's stopwatch); none by default.
  void SetStepObserver(std::function<void(Step)> observer) { observer_ = std::move(observer); }

 private:
  cv::Mat frImg_;     // grey picture, its rows in the order the picture stores them
  cv::Mat bkImg_;     // grey background
  cv::Mat frameMat_;  // smoothed picture, float
  cv::Mat frMat_;     // |picture - background|
  cv::Mat bkMat_;     // background, float
  std::vector<uint16_t> rowSums_;  // the smoothing's scratch
  std::function<void(Step)> observer_;
};

}  // namespace tremor
