#include "video_formats.h"

namespace mirage {

namespace {

int32_t Clamp(int64_t value, int32_t low, int32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int32_t>(value);
}

bool Format(int position, uint16_t rgbBits, VideoFormat* out) {
  const uint32_t compression = kCompressions[position / 4];
  const FrameSize size = kFrameSizes[position % 4];
  out->compression = compression;
  out->bitCount = BitCountOf(compression, rgbBits);
  out->width = size.width;
  out->height = size.height;
  out->imageSize = BitmapImageSize(size.width, size.height, out->bitCount);
  return true;
}

}  // namespace

uint32_t BitmapImageSize(int32_t width, int32_t height, uint16_t bitCount) {
  const int64_t w = width < 0 ? -int64_t{width} : width;
  const int64_t h = height < 0 ? -int64_t{height} : height;
  const int64_t stride = (w * bitCount + 31) / 32 * 4;
  const int64_t size = stride * h;
  return size > 0xFFFFFFFFll ? 0 : static_cast<uint32_t>(size);
}

uint16_t BitCountOf(uint32_t compression, uint16_t rgbBits) {
  switch (compression) {
    case kCompressionYuy2:
      return 16;
    case kCompressionIyuv:
    case kCompressionYv12:
      return 12;
    default:
      return rgbBits;
  }
}

bool MediaTypeFormat(int position, VideoFormat* out) {
  if (position < 0 || position >= kMediaTypeCount) return false;
  return Format(position, 32, out);
}

bool StreamCapsFormat(int index, VideoFormat* out) {
  if (index < 0 || index >= kStreamCapsCount) return false;
  return Format(index, 24, out);
}

int32_t IntervalAfterQuality(int32_t intervalMs, long proportion) {
  if (proportion <= 0) return kMaxIntervalMs;
  return Clamp(int64_t{intervalMs} * 1000 / proportion, kMinIntervalMs, kMaxIntervalMs);
}

int32_t IntervalOfFrameTime(int64_t avgTimePerFrame) {
  return Clamp(avgTimePerFrame / 10000, kMinIntervalMs, kMaxIntervalMs);
}

uint32_t PaceSleepMs(int32_t intervalMs) {
  return intervalMs > kPaceSlackMs ? static_cast<uint32_t>(intervalMs - kPaceSlackMs) : 0;
}

}  // namespace mirage
