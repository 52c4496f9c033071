// One motion check as the camera makes it, step by step: the camera writes the newest frame
// to the channel's BMP file, the detector loads it, compares it with the background and
// decides. Pictures from a moving generated sequence at 640x480.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "alarm_files.h"
#include "motion_model.h"
#include "picture_loader.h"
#include "picture_sequence.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  std::vector<double> ms;
  double Median() { return At(0.5); }
  double P90() { return At(0.9); }
  double At(double q) {
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? 0 : ms[static_cast<size_t>(q * (ms.size() - 1) + 0.5)];
  }
};

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "tremor_bench.bmp";
  const tremor::testing::SequenceShape shape = tremor::testing::kCameraSequence;
  // The camera's BMP images of the pictures, made beforehand: the camera has them in memory.
  std::vector<std::vector<uint8_t>> images;
  for (int i = 0; i < shape.pictures; ++i) {
    images.emplace_back();
    cv::imencode(".bmp", tremor::testing::SequencePicture(shape, i), images.back());
  }

  tremor::MotionModel model;
  tremor::PictureBuffers buffers;
  constexpr int kSteps = tremor::MotionModel::kSteps;
  Figures write, load, whole, steps[kSteps];
  Clock::time_point lap;
  model.SetStepObserver([&](tremor::MotionModel::Step step) {
    const Clock::time_point now = Clock::now();
    steps[static_cast<int>(step)].ms.push_back(Ms(lap, now));
    lap = now;
  });
  constexpr int kChecks = 300, kWarmUp = 20;
  int alarms = 0;
  for (int i = 0; i < kWarmUp + kChecks; ++i) {
    const std::vector<uint8_t>& image = images[static_cast<size_t>(i) % images.size()];
    const Clock::time_point w0 = Clock::now();
    lantern::WriteSnapshot(path, image.data(), image.size());  // the camera's part
    const Clock::time_point t0 = Clock::now();
    tremor::Picture picture;
    if (!tremor::LoadPicture(path.c_str(), buffers, &picture)) {
      std::printf("cannot load %s\n", path.c_str());
      return 1;
    }
    lap = Clock::now();
    const double loadMs = Ms(t0, lap);
    double mean = 0;
    const bool compared = model.Process(picture, &mean) == tremor::MotionModel::Result::kCompared;
    const bool alarm = compared && mean >= 30;
    const double wholeMs = Ms(t0, Clock::now());
    if (i < kWarmUp) {
      for (auto& s : steps) s.ms.clear();
      continue;
    }
    alarms += alarm;
    write.ms.push_back(Ms(w0, t0));
    load.ms.push_back(loadMs);
    whole.ms.push_back(wholeMs);
  }
  std::printf("motion check %dx%d, %d pictures (load BMP + compare + decide): median %.3f ms, "
              "p90 %.3f ms (goal p90 <= 2 ms); %d alarms at threshold 30\n",
              shape.width, shape.height, kChecks, whole.Median(), whole.P90(), alarms);
  const char* names[kSteps] = {"colour conversion", "smoothing", "difference", "sum",
                               "background update"};
  std::printf("  %-18s median %.3f ms, p90 %.3f ms (the camera's, before the check)\n", "picture file write",
              write.Median(), write.P90());
  std::printf("  %-18s median %.3f ms, p90 %.3f ms\n", "picture load", load.Median(), load.P90());
  for (int s = 0; s < kSteps; ++s)
    std::printf("  %-18s median %.3f ms, p90 %.3f ms\n", names[s], steps[s].Median(), steps[s].P90());
  std::remove(path.c_str());
  return 0;
}
