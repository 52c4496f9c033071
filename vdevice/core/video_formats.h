// The device's format table and the frame-interval rules of its output pin.
#pragma once

#include <cstdint>

namespace mirage {

constexpr uint32_t Fourcc(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kCompressionYuy2 = Fourcc('Y', 'U', 'Y', '2');
constexpr uint32_t kCompressionIyuv = Fourcc('I', 'Y', 'U', 'V');
constexpr uint32_t kCompressionYv12 = Fourcc('Y', 'V', '1', '2');
constexpr uint32_t kCompressionRgb = 0;  // BI_RGB

struct FrameSize {
  int32_t width, height;
};

// Indexed by position: the media-type list is compression (position / 4) by size
// (position % 4).
constexpr uint32_t kCompressions[4] = {kCompressionYuy2, kCompressionIyuv, kCompressionYv12,
                                       kCompressionRgb};
constexpr FrameSize kFrameSizes[4] = {{352, 288}, {704, 576}, {320, 240}, {640, 480}};
constexpr FrameSize kMinimumSize = kFrameSizes[0];
constexpr FrameSize kMaximumSize = kFrameSizes[3];
constexpr int kMediaTypeCount = 16;
constexpr int kStreamCapsCount = 4;

struct VideoFormat {
  uint32_t compression;
  uint16_t bitCount;
  int32_t width, height;
  uint32_t imageSize;
};

// Bytes of a bitmap with rows padded to 4 bytes.
uint32_t BitmapImageSize(int32_t width, int32_t height, uint16_t bitCount);
// Bits per pixel of a compression: 16 YUY2, 12 IYUV and YV12, `rgbBits` for BI_RGB.
uint16_t BitCountOf(uint32_t compression, uint16_t rgbBits);

// Entry `position` of the pin's media-type list (RGB at 32 bits); false outside 0..15.
bool MediaTypeFormat(int position, VideoFormat* out);
// Entry `index` of the stream capabilities (RGB would be 24 bits); false outside 0..3.
bool StreamCapsFormat(int index, VideoFormat* out);

// Frame intervals, in milliseconds.
constexpr int32_t kInitialIntervalMs = 20;
constexpr int32_t kMinIntervalMs = 10;
constexpr int32_t kMaxIntervalMs = 1000;
constexpr int32_t kOfferedFrameTime = 400000;  // 100 ns units: 40 ms, 25 per second
constexpr int32_t kPaceSlackMs = 3;            // a sample's work before the next is due

// The interval after a quality message: 1000 for a proportion of 0 or less, else scaled by
// 1000 / proportion and kept within 10..1000.
int32_t IntervalAfterQuality(int32_t intervalMs, long proportion);
// The interval of a connected format's average time per frame (100 ns units), kept within
// 10..1000 so that a format without a frame time cannot stop the pacing.
int32_t IntervalOfFrameTime(int64_t avgTimePerFrame);
// How long to sleep after a sample.
uint32_t PaceSleepMs(int32_t intervalMs);

}  // namespace mirage
