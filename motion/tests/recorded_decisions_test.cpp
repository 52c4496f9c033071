// The detector's decisions on two generated picture sequences, recorded from the detector
// as it was before it was made faster: every later version must call back for exactly the
// same pictures. Means may differ in the last bits between processors (fused multiply-add
// in the background update), never by more than the tolerance below.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "detector_channels.h"
#include "motion_model.h"
#include "picture_sequence.h"

namespace tremor {
namespace {

using testing::kCameraSequence;
using testing::kOddSequence;
using testing::SequencePicture;
using testing::SequenceShape;

// Mean differences of pictures 1, 2, ... (picture 0 is the background).
const std::vector<double> kCameraMeans = {
    2.461042,  3.007786,  3.554132,  4.064718,  4.035101,  3.996960,  3.964423,  3.931813,
    3.894823,  3.862731,  3.830884,  46.937761, 46.773854, 46.601780, 46.430616, 46.268159,
    46.091252, 45.929813, 45.767468, 45.538777, 45.221193, 44.770228, 44.156768, 9.503374,
    11.231936, 13.149876, 15.323294, 17.678189, 20.455624, 24.540300, 24.317176, 24.240300,
    24.165896, 26.354655, 26.274857, 50.526915, 26.065399, 25.981152, 25.909168, 25.831102,
    25.751714, 25.680771, 25.597578, 25.523322, 25.447667, 25.366807, 25.292289};
const std::vector<double> kOddMeans = {
    2.511344,  3.050991,  3.594912,  4.108227,  4.076253,  4.035235,  4.000987,  3.998674,
    3.951703,  3.917463,  3.876725,  46.941830, 46.799486, 46.588952, 46.434653, 46.273043,
    46.114453, 45.900397, 45.815597, 45.479663, 45.132006, 44.628877, 44.106389, 8.244127,
    9.730688,  11.160108, 12.662812, 14.750374, 16.892979, 23.190252, 22.996871, 22.936805,
    22.866207, 21.978249, 21.923769, 47.635101, 21.688056, 21.617315, 21.576152};
constexpr double kMeanTolerance = 1e-4;

// Pictures that called back, by threshold. Some thresholds lie within 0.001 of a mean.
const std::map<int, std::vector<int>> kCameraCallbacks = {
    {4, {4, 5, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
         32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47}},
    {10, {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 27, 28, 29, 30, 31, 32, 33,
          34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47}},
    {30, {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 36}},
    {46, {12, 13, 14, 15, 16, 17, 36}},
};
const std::map<int, std::vector<int>> kOddCallbacks = {
    {4, {4, 5, 6, 7, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
         31, 32, 33, 34, 35, 36, 37, 38, 39}},
    {23, {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 30, 36}},
};

// Top-down, and bottom-up as the camera's BMP files hold the rows (read where they lie).
Picture InOrder(const cv::Mat& topDown, bool bottomUp) {
  if (!bottomUp) return Picture{topDown, false};
  cv::Mat stored;
  cv::flip(topDown, stored, 0);
  return Picture{stored, true};
}

void ExpectMeans(const SequenceShape& shape, const std::vector<double>& expected) {
  ASSERT_EQ(expected.size(), static_cast<size_t>(shape.pictures - 1));
  for (bool bottomUp : {false, true}) {
    SCOPED_TRACE(bottomUp ? "bottom-up rows" : "top-down rows");
    MotionModel model;
    double mean = -1;
    ASSERT_EQ(model.Process(InOrder(SequencePicture(shape, 0), bottomUp), &mean),
              MotionModel::Result::kBackground);
    for (int i = 1; i < shape.pictures; ++i) {
      ASSERT_EQ(model.Process(InOrder(SequencePicture(shape, i), bottomUp), &mean),
                MotionModel::Result::kCompared);
      EXPECT_NEAR(mean, expected[i - 1], kMeanTolerance) << "picture " << i;
    }
  }
}

TEST(RecordedDecisions, MeansOfBothSequences) {
  ExpectMeans(kCameraSequence, kCameraMeans);
  ExpectMeans(kOddSequence, kOddMeans);
}

// Runs the sequence through a detector channel (its thread, the loader, the callback) at
// each threshold and compares the pictures it called back for.
void ExpectCallbacks(const SequenceShape& shape, const std::map<int, std::vector<int>>& expected) {
  std::vector<cv::Mat> pictures;
  for (int i = 0; i < shape.pictures; ++i) pictures.push_back(SequencePicture(shape, i));
  DetectorChannels detector([&](const char* path, PictureBuffers&, Picture* picture) {
    picture->rows = pictures[static_cast<size_t>(std::stoi(path))];
    return true;
  });
  std::vector<int> called;
  std::mutex lock;
  detector.RegisterEventWarning([&](int, int channel, const char* path) {
    EXPECT_EQ(channel, 1);
    std::lock_guard<std::mutex> guard(lock);
    called.push_back(std::stoi(path));
  });
  detector.SetCapNums(2);
  for (const auto& [threshold, pictureList] : expected) {
    called.clear();
    detector.SetThreshold(threshold);
    ASSERT_EQ(detector.PictureCheckStart(1), 0);
    for (int i = 0; i < shape.pictures; ++i) {
      const uint64_t before = detector.PicturesTaken(1);
      ASSERT_EQ(detector.MoveCheckByPicFile(1, std::to_string(i).c_str()), 0);
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (detector.PicturesTaken(1) == before) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "picture " << i << " never taken";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    ASSERT_EQ(detector.PictureCheckStop(1), 0);
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(called, pictureList) << "threshold " << threshold;
  }
}

TEST(RecordedDecisions, CallbacksOfBothSequences) {
  ExpectCallbacks(kCameraSequence, kCameraCallbacks);
  ExpectCallbacks(kOddSequence, kOddCallbacks);
}

}  // namespace
}  // namespace tremor
