// Tremor.dll: the exported functions over the process-wide detector.
#include "Tremor.h"

#include "detector_channels.h"
#include "picture_loader.h"

namespace {

// Never destroyed: channel threads may outlive static destruction at process exit.
tremor::DetectorChannels& Detector() {
  static tremor::DetectorChannels* detector = new tremor::DetectorChannels(tremor::LoadPicture);
  return *detector;
}

template <typename Call>
int Guarded(Call call) {
  try {
    return call();
  } catch (...) {
    return -1;
  }
}

}  // namespace

int __cdecl SetCapNums(int count) { return Guarded([&] { return Detector().SetCapNums(count); }); }
int __cdecl FreeCapNums(int count) { return Guarded([&] { return Detector().FreeCapNums(count); }); }
int __cdecl PictureCheckStart(int channel) {
  return Guarded([&] { return Detector().PictureCheckStart(channel); });
}
int __cdecl PictureCheckStop(int channel) {
  return Guarded([&] { return Detector().PictureCheckStop(channel); });
}
int __cdecl MoveCheckByPicFile(int channel, const char* path) {
  return Guarded([&] { return Detector().MoveCheckByPicFile(channel, path); });
}
int __cdecl SetThreshold(int threshold) {
  return Guarded([&] { return Detector().SetThreshold(threshold); });
}
int __cdecl RegisterEventWarning(TremorEventWarning callback) {
  return Guarded([&] {
    tremor::MotionCallback forward;
    if (callback) forward = [callback](int state, int channel, const char* path) {
      callback(state, channel, path);
    };
    return Detector().RegisterEventWarning(std::move(forward));
  });
}
int __cdecl GetLastErrorInfo(char* buffer) {
  return Guarded([&] { return Detector().GetLastErrorInfo(buffer); });
}
