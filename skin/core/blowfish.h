// Blowfish block cipher; a block is two 32-bit halves.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veneer {

class Blowfish {
 public:
  // Keys longer than 56 bytes use their first 56; an empty key is treated as one zero byte.
  Blowfish(const uint8_t* key, size_t length);

  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

 private:
  uint32_t F(uint32_t x) const;

  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace veneer
