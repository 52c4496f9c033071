#include "motion_model.h"

#include <opencv2/imgproc.hpp>

namespace tremor {

void MotionModel::Reset() {
  frImg_.release();
  bkImg_.release();
  frameMat_.release();
  frMat_.release();
  bkMat_.release();
}

MotionModel::Result MotionModel::Process(const cv::Mat& bgr, double* meanDifference) {
  if (bgr.empty() || bgr.type() != CV_8UC3) return Result::kSkipped;
  if (!initialised()) {
    cv::cvtColor(bgr, frImg_, cv::COLOR_BGR2GRAY);
    frImg_.copyTo(bkImg_);
    frImg_.convertTo(bkMat_, CV_32F);
    bkMat_.copyTo(frMat_);
    bkMat_.copyTo(frameMat_);
    return Result::kBackground;
  }
  if (bgr.rows != bkImg_.rows || bgr.cols != bkImg_.cols) return Result::kSkipped;

  cv::cvtColor(bgr, frImg_, cv::COLOR_BGR2GRAY);
  frImg_.convertTo(frameMat_, CV_32F);
  // The classic smoothing repeats the edge pixels beyond the border.
  cv::GaussianBlur(frameMat_, frameMat_, cv::Size(3, 3), 0, 0, cv::BORDER_REPLICATE);
  cv::absdiff(frameMat_, bkMat_, frMat_);
  *meanDifference = cv::sum(frMat_)[0] / (static_cast<double>(frMat_.rows) * frMat_.cols);
  cv::accumulateWeighted(frameMat_, bkMat_, kBackgroundWeight);
  bkMat_.convertTo(bkImg_, CV_8U);
  return Result::kCompared;
}

}  // namespace tremor
