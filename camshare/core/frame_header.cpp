#include "frame_header.h"

#include <cstring>

#include "common/byte_io.h"

namespace camshare::frame {

const uint8_t kMagicSearch[4] = {'M', 'O', '_', 'I'};
const uint8_t kMagicOperation[4] = {'M', 'O', '_', 'O'};

void EncodeHeader(const FrameHeader& header, uint8_t* out) {
  std::memcpy(out + kMagicOffset, header.magic, 4);
  common::PutU16LE(out + kOpOffset, header.op);
  out[kScrambleOffset] = header.scramble;
  std::memcpy(out + kKeyOffset, header.key, kKeySize);
  common::PutU32LE(out + kLengthOffset, header.length);
  common::PutU32LE(out + kLengthCopyOffset, header.lengthCopy);
}

bool DecodeHeader(const uint8_t* data, size_t size, FrameHeader* out) {
  if (data == nullptr || size < kHeaderSize) return false;
  std::memcpy(out->magic, data + kMagicOffset, 4);
  out->op = common::GetU16LE(data + kOpOffset);
  out->scramble = data[kScrambleOffset];
  std::memcpy(out->key, data + kKeyOffset, kKeySize);
  out->length = common::GetU32LE(data + kLengthOffset);
  out->lengthCopy = common::GetU32LE(data + kLengthCopyOffset);
  return true;
}

bool HasMagic(const uint8_t* data, size_t size, const uint8_t magic[4]) {
  return data != nullptr && size >= 4 && std::memcmp(data, magic, 4) == 0;
}

void Scramble(uint8_t* payload, size_t size, const uint8_t key[kKeySize]) {
  for (size_t i = 0; i < size; ++i) payload[i] ^= key[i % kKeySize];
}

FrameBuilder::FrameBuilder(const uint8_t magic[4], uint16_t op)
    : buffer_(kInitialCapacity, 0), used_(kHeaderSize) {
  FrameHeader header;
  std::memcpy(header.magic, magic, 4);
  header.op = op;
  EncodeHeader(header, buffer_.data());
}

void FrameBuilder::Append(const void* data, size_t size) {
  if (size == 0) return;
  size_t needed = used_ + size;
  if (needed > buffer_.size()) {
    size_t steps = (needed + kGrowthStep - 1) / kGrowthStep;
    buffer_.resize(steps * kGrowthStep, 0);
  }
  std::memcpy(buffer_.data() + used_, data, size);
  used_ = needed;
  common::PutU32LE(buffer_.data() + kLengthCopyOffset, static_cast<uint32_t>(used_ - kHeaderSize));
}

void FrameBuilder::AppendU32(uint32_t value) {
  uint8_t bytes[4];
  common::PutU32LE(bytes, value);
  Append(bytes, sizeof bytes);
}

std::vector<uint8_t> FrameBuilder::Finish() {
  std::memcpy(buffer_.data() + kLengthOffset, buffer_.data() + kLengthCopyOffset, 4);
  return std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
}

}  // namespace camshare::frame
