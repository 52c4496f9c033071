// The newest captured frame held as a complete BMP file image (14-byte file header, 40-byte
// info header, 24-bit BGR pixels bottom-up), with the flag that says it was encoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace lantern {

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;
constexpr size_t kBmpHeaderSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;

class FrameBlock {
 public:
  // Sizes the block for the connected format and writes the BMP headers; no frame yet.
  // `infoHeader` is the format's 40-byte bitmap info header.
  void Configure(const uint8_t infoHeader[kBmpInfoHeaderSize], int width, int height,
                 size_t imageSize);
  // Copies one sample behind the headers; a sample longer than the pixel room is cut to it.
  void StoreSample(const uint8_t* data, size_t length);

  // Everything below is used under lock().
  std::mutex& lock() { return lock_; }
  bool HasFrame() const { return !block_.empty() && frameSize_ > kBmpHeaderSize; }
  size_t frameSize() const { return frameSize_; }
  uint8_t* image() { return block_.data(); }
  uint8_t* pixels() { return block_.data() + kBmpHeaderSize; }
  size_t pixelBytes() const { return frameSize_ > kBmpHeaderSize ? frameSize_ - kBmpHeaderSize : 0; }
  size_t capacity() const { return block_.size(); }
  bool consumed() const { return consumed_; }
  void MarkConsumed() { consumed_ = true; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  std::mutex lock_;
  std::vector<uint8_t> block_;
  size_t frameSize_ = 0;
  bool consumed_ = false;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace lantern
