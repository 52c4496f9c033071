#include "frame_block.h"

#include <algorithm>
#include <cstring>

#include "common/byte_io.h"

namespace lantern {

void FrameBlock::Configure(const uint8_t infoHeader[kBmpInfoHeaderSize], int width, int height,
                           size_t imageSize) {
  std::lock_guard<std::mutex> guard(lock_);
  if (block_.size() < kBmpHeaderSize + imageSize) block_.resize(kBmpHeaderSize + imageSize);
  uint8_t* h = block_.data();
  h[0] = 'B';
  h[1] = 'M';
  common::PutU32LE(h + 2, static_cast<uint32_t>(imageSize + kBmpHeaderSize));
  common::PutU32LE(h + 6, 0);
  common::PutU32LE(h + 10, static_cast<uint32_t>(kBmpHeaderSize));
  std::memcpy(h + kBmpFileHeaderSize, infoHeader, kBmpInfoHeaderSize);
  frameSize_ = kBmpHeaderSize;
  consumed_ = false;
  width_ = width;
  height_ = height;
}

void FrameBlock::StoreSample(const uint8_t* data, size_t length) {
  std::lock_guard<std::mutex> guard(lock_);
  if (block_.size() <= kBmpHeaderSize || data == nullptr) return;
  size_t n = std::min(length, block_.size() - kBmpHeaderSize);
  std::memcpy(block_.data() + kBmpHeaderSize, data, n);
  frameSize_ = kBmpHeaderSize + n;
  consumed_ = false;
}

}  // namespace lantern
