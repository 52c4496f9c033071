// The 23-byte frame header of the camera protocols: the LAN search ("MO_I", UDP) and the
// quil camera operation protocol ("MO_O", TCP). Integers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camshare::frame {

constexpr size_t kHeaderSize = 23;
constexpr size_t kMagicOffset = 0;
constexpr size_t kOpOffset = 4;
constexpr size_t kScrambleOffset = 6;
constexpr size_t kKeyOffset = 7;
constexpr size_t kKeySize = 8;
constexpr size_t kLengthOffset = 15;
constexpr size_t kLengthCopyOffset = 19;

extern const uint8_t kMagicSearch[4];     // "MO_I"
extern const uint8_t kMagicOperation[4];  // "MO_O"

struct FrameHeader {
  uint8_t magic[4] = {0, 0, 0, 0};
  uint16_t op = 0;
  uint8_t scramble = 0;  // 1: payload scrambled with `key`
  uint8_t key[kKeySize] = {0, 0, 0, 0, 0, 0, 0, 0};
  uint32_t length = 0;      // payload length
  uint32_t lengthCopy = 0;  // second copy of the payload length
};

void EncodeHeader(const FrameHeader& header, uint8_t* out);
// False when fewer than 23 bytes are given.
bool DecodeHeader(const uint8_t* data, size_t size, FrameHeader* out);
bool HasMagic(const uint8_t* data, size_t size, const uint8_t magic[4]);

// XOR of payload byte i with key[i mod 8]; the same call scrambles and unscrambles.
void Scramble(uint8_t* payload, size_t size, const uint8_t key[kKeySize]);

// Builds one frame in a buffer that starts at 100 bytes and grows in whole hundreds.
// Each append rewrites the length at offset 19; Finish copies it to offset 15.
class FrameBuilder {
 public:
  static constexpr size_t kInitialCapacity = 100;
  static constexpr size_t kGrowthStep = 100;

  FrameBuilder(const uint8_t magic[4], uint16_t op);
  void Append(const void* data, size_t size);
  void AppendU32(uint32_t value);
  // The whole frame, header and payload.
  std::vector<uint8_t> Finish();
  size_t capacity() const { return buffer_.size(); }
  size_t size() const { return used_; }

 private:
  std::vector<uint8_t> buffer_;
  size_t used_;
};

}  // namespace camshare::frame
