// The process-wide motion detector: a fixed set of channels, each with its own thread that
// compares every new picture against the channel's background and calls back on motion.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>

#include "motion_model.h"

namespace tremor {

constexpr size_t kPathCapacity = 260;  // bytes, terminator included
constexpr int kStopWaitMs = 10000;

// (state, channel, picture path); the path is valid during the call only.
using MotionCallback = std::function<void(int state, int channel, const char* path)>;
// Loads a picture as 8-bit 3-channel rows, keeping its bytes in the channel's `buffers`;
// false when it cannot be read.
using PictureLoader =
    std::function<bool(const char* path, PictureBuffers& buffers, Picture* picture)>;

class DetectorChannels {
 public:
  explicit DetectorChannels(PictureLoader loader);
  ~DetectorChannels();
  DetectorChannels(const DetectorChannels&) = delete;
  DetectorChannels& operator=(const DetectorChannels&) = delete;

  // Results as the exported functions: 0 success, -1 failure (with the last error text),
  // -2 for a stop not confirmed in time.
  int SetCapNums(int count);
  int FreeCapNums(int count);
  int PictureCheckStart(int channel);
  int PictureCheckStop(int channel, int timeoutMs = kStopWaitMs);
  int MoveCheckByPicFile(int channel, const char* path);
  int SetThreshold(int threshold);
  int RegisterEventWarning(MotionCallback callback);
  int GetLastErrorInfo(char* buffer) const;

  std::string LastError() const;
  int channelCount() const;
  // Pictures the channel's thread has handled (and called back for) since the tables were
  // made; 0 for a channel that does not exist. Lets a caller wait for a picture to be done.
  uint64_t PicturesTaken(int channel);

 private:
  struct Channel;

  Channel* Find(int channel);
  void SetLastError(const char* text);
  void Run(Channel* channel, int index);
  void Join(Channel& channel);

  PictureLoader loader_;
  mutable std::mutex tablesLock_;  // guards channels_ (not their contents)
  std::vector<std::unique_ptr<Channel>> channels_;
  std::atomic<int> threshold_{0};
  mutable std::mutex callbackLock_;
  MotionCallback callback_;
  mutable std::mutex errorLock_;
  std::string lastError_;
};

}  // namespace tremor
