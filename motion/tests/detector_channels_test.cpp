#include "detector_channels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "error_texts.h"

namespace tremor {
namespace {

// Pictures by name: "grey<level>" and "small"; anything else cannot be read.
bool Load(const char* name, PictureBuffers& buffers, Picture* picture) {
  const std::string path = name;
  if (path == "small") {
    buffers.decoded = cv::Mat(10, 10, CV_8UC3, cv::Scalar(0, 0, 0));
  } else if (path.rfind("grey", 0) == 0) {
    int level = std::stoi(path.substr(4));
    buffers.decoded = cv::Mat(48, 64, CV_8UC3, cv::Scalar(level, level, level));
  } else {
    return false;
  }
  picture->rows = buffers.decoded;
  return true;
}

template <typename C>
bool WaitUntil(C condition, int ms = 3000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class DetectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    detector.SetCapNums(4);
    detector.RegisterEventWarning([this](int state, int channel, const char* path) {
      EXPECT_EQ(state, 1);
      lastChannel = channel;
      lastPath = path;
      ++calls;
    });
  }
  // Hands a picture over and waits until the channel has handled it (callback included).
  void Feed(int channel, const std::string& path) {
    const uint64_t before = detector.PicturesTaken(channel);
    ASSERT_EQ(detector.MoveCheckByPicFile(channel, path.c_str()), 0);
    ASSERT_TRUE(WaitUntil([&] { return detector.PicturesTaken(channel) > before; }))
        << path << " was never taken";
  }

  DetectorChannels detector{Load};
  std::atomic<int> calls{0};
  std::atomic<int> lastChannel{-1};
  std::string lastPath;
};

TEST_F(DetectorTest, FirstPictureNeverAlarmsAndIdenticalOnesNeverDo) {
  detector.SetThreshold(1);
  ASSERT_EQ(detector.PictureCheckStart(2), 0);
  Feed(2, "grey100");
  Feed(2, "grey100");
  Feed(2, "grey100");
  EXPECT_EQ(detector.PicturesTaken(2), 3u);
  EXPECT_EQ(calls, 0);
  Feed(2, "grey101");  // one grey level is enough at threshold 1
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(detector.PictureCheckStop(2), 0);
  EXPECT_EQ(detector.PicturesTaken(7), 0u) << "no such channel";
}

TEST_F(DetectorTest, ThresholdZeroCallsBackForEveryLaterPicture) {
  detector.SetThreshold(0);
  ASSERT_EQ(detector.PictureCheckStart(1), 0);
  Feed(1, "grey50");
  EXPECT_EQ(calls, 0);
  Feed(1, "grey50");
  Feed(1, "grey50");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(lastChannel, 1);
  EXPECT_EQ(lastPath, "grey50");
  EXPECT_EQ(detector.PictureCheckStop(1), 0);
}

TEST_F(DetectorTest, ChangeOfFortyLevelsAlarmsAtThirtyAndRestartGivesFreshBackground) {
  detector.SetThreshold(30);
  ASSERT_EQ(detector.PictureCheckStart(0), 0);
  Feed(0, "grey100");
  Feed(0, "grey140");
  Feed(0, "grey140");
  EXPECT_EQ(calls, 2) << "keeps calling back until the background adapts";
  // Unreadable or differently sized pictures are skipped.
  Feed(0, "missing.bmp");
  Feed(0, "small");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(detector.PictureCheckStop(0), 0);

  ASSERT_EQ(detector.PictureCheckStart(0), 0);
  Feed(0, "grey140");
  Feed(0, "grey140");
  EXPECT_EQ(calls, 2) << "the first picture after a restart is the new background";
  EXPECT_EQ(detector.PictureCheckStop(0), 0);
}

TEST_F(DetectorTest, CallbackMayHandTheSameChannelANewPicture) {
  // The callback runs outside the channel lock, so a caller holding its own lock around
  // MoveCheckByPicFile cannot deadlock against it.
  std::mutex cameraLock;
  std::atomic<int> inner{0};
  detector.RegisterEventWarning([&](int, int channel, const char*) {
    std::lock_guard<std::mutex> guard(cameraLock);
    if (inner++ < 3) detector.MoveCheckByPicFile(channel, "grey200");
  });
  detector.SetThreshold(0);
  ASSERT_EQ(detector.PictureCheckStart(3), 0);
  Feed(3, "grey10");
  {
    std::lock_guard<std::mutex> guard(cameraLock);
    detector.MoveCheckByPicFile(3, "grey20");
  }
  EXPECT_TRUE(WaitUntil([&] { return inner >= 3; }));
  EXPECT_EQ(detector.PictureCheckStop(3), 0);
}

TEST_F(DetectorTest, BadArgumentsFailWithTheirText) {
  char text[64] = {};
  EXPECT_EQ(detector.PictureCheckStart(4), -1);
  EXPECT_EQ(detector.LastError(), kBadChannelText);
  EXPECT_EQ(detector.PictureCheckStart(-1), -1);
  EXPECT_EQ(detector.MoveCheckByPicFile(9, "grey1"), -1);
  EXPECT_EQ(detector.MoveCheckByPicFile(0, nullptr), -1);
  std::string longPath(260, 'a');
  EXPECT_EQ(detector.MoveCheckByPicFile(0, longPath.c_str()), -1);
  EXPECT_EQ(detector.LastError(), kPathTooLongText);
  EXPECT_EQ(detector.GetLastErrorInfo(nullptr), -1);
  EXPECT_EQ(detector.GetLastErrorInfo(text), 0);
  EXPECT_STREQ(text, kPathTooLongText);
  EXPECT_EQ(detector.PictureCheckStop(7), -1);

  DetectorChannels bare(Load);
  EXPECT_EQ(bare.PictureCheckStart(0), -1);
  EXPECT_EQ(bare.LastError(), kTableMissingText[0]);
  EXPECT_EQ(bare.PictureCheckStop(0), -1);
}

TEST_F(DetectorTest, FreeEndsRunningThreadsWithTheErrorText) {
  ASSERT_EQ(detector.PictureCheckStart(0), 0);
  ASSERT_EQ(detector.PictureCheckStart(1), 0);
  EXPECT_EQ(detector.FreeCapNums(4), 0);
  EXPECT_EQ(detector.LastError(), kNotInitialisedText);
  EXPECT_EQ(detector.channelCount(), 0);
  EXPECT_EQ(detector.SetCapNums(2), 0);
  EXPECT_EQ(detector.channelCount(), 2);
}

}  // namespace
}  // namespace tremor
