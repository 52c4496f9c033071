#include "motion_model.h"

#include <opencv2/imgproc.hpp>

#include "smoothing.h"

namespace tremor {

void MotionModel::Reset() {
  frImg_.release();
  bkImg_.release();
  frameMat_.release();
  frMat_.release();
  bkMat_.release();
}

MotionModel::Result MotionModel::Process(const Picture& picture, double* meanDifference) {
  const cv::Mat& bgr = picture.rows;
  if (bgr.empty() || bgr.type() != CV_8UC3) return Result::kSkipped;
  if (!initialised()) {
    cv::cvtColor(bgr, frImg_, cv::COLOR_BGR2GRAY);
    if (picture.bottomUp) cv::flip(frImg_, frImg_, 0);
    frImg_.copyTo(bkImg_);
    frImg_.convertTo(bkMat_, CV_32F);
    bkMat_.copyTo(frMat_);
    bkMat_.copyTo(frameMat_);
    return Result::kBackground;
  }
  if (bgr.rows != bkImg_.rows || bgr.cols != bkImg_.cols) return Result::kSkipped;

  auto done = [this](Step step) {
    if (observer_) observer_(step);
  };
  // Grey is per pixel, so the rows may stay in storage order; the smoothing turns them
  // upright. Every result below is top-down.
  cv::cvtColor(bgr, frImg_, cv::COLOR_BGR2GRAY);
  done(Step::kGrey);
  // The classic smoothing (3x3 Gaussian) repeats the edge pixels beyond the border.
  SmoothGrey3x3(frImg_, picture.bottomUp, rowSums_, frameMat_);
  done(Step::kSmooth);
  cv::absdiff(frameMat_, bkMat_, frMat_);
  done(Step::kDifference);
  *meanDifference = cv::sum(frMat_)[0] / (static_cast<double>(frMat_.rows) * frMat_.cols);
  done(Step::kSum);
  cv::accumulateWeighted(frameMat_, bkMat_, kBackgroundWeight);
  bkMat_.convertTo(bkImg_, CV_8U);
  done(Step::kBackground);
  return Result::kCompared;
}

}  // namespace tremor
