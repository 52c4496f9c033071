// One motion check as the camera makes it: load a 640x480 BMP, compare, decide.
#include <chrono>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>
#include <algorithm>

#include "motion_model.h"

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "tremor_bench.bmp";
  cv::Mat scene(480, 640, CV_8UC3);
  cv::randu(scene, 0, 255);
  cv::imwrite(path, scene);
  tremor::MotionModel model;
  double mean = 0;
  model.Process(cv::imread(path), &mean);
  std::vector<double> ms;
  int alarms = 0;
  for (int i = 0; i < 300; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
    model.Process(picture, &mean);
    if (mean >= 30) ++alarms;
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("motion check 640x480 (load BMP + process + decide): median %.2f ms, p90 %.2f ms (%d alarms)\n",
              ms[ms.size() / 2], ms[ms.size() * 9 / 10], alarms);
  std::remove(path.c_str());
  return 0;
}
