// Bounds-checked access to fixed little-endian layouts (wire datagrams, record files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace common {

inline void PutU16LE(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32LE(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16LE(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | (at[1] << 8));
}
inline uint32_t GetU32LE(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// Copies at most `width` bytes of `text` into `field` and pads the rest with zeros;
// a text that fills the field has no terminator.
inline void PutFixedText(uint8_t* field, size_t width, const char* text) {
  size_t n = 0;
  if (text != nullptr) {
    while (n < width && text[n] != '\0') ++n;
    std::memcpy(field, text, n);
  }
  std::memset(field + n, 0, width - n);
}

// Reads a zero-padded text field; never reads past `width` bytes.
inline std::string GetFixedText(const uint8_t* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(field), n);
}

// Read-only view of a received buffer; every access checks the length first.
class ByteReader {
 public:
  ByteReader(const void* data, size_t length)
      : data_(static_cast<const uint8_t*>(data)), length_(data ? length : 0) {}

  size_t size() const { return length_; }
  const uint8_t* data() const { return data_; }
  bool Has(size_t offset, size_t width) const {
    return offset <= length_ && width <= length_ - offset;
  }
  bool U8(size_t offset, uint8_t* out) const {
    if (!Has(offset, 1)) return false;
    *out = data_[offset];
    return true;
  }
  bool U16(size_t offset, uint16_t* out) const {
    if (!Has(offset, 2)) return false;
    *out = GetU16LE(data_ + offset);
    return true;
  }
  bool U32(size_t offset, uint32_t* out) const {
    if (!Has(offset, 4)) return false;
    *out = GetU32LE(data_ + offset);
    return true;
  }
  bool Text(size_t offset, size_t width, std::string* out) const {
    if (!Has(offset, width)) return false;
    *out = GetFixedText(data_ + offset, width);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t length_;
};

}  // namespace common
