#include "blowfish.h"

#include <cstring>

namespace veneer {
namespace {
#include "blowfish_tables.inc"
}  // namespace

Blowfish::Blowfish(const uint8_t* key, size_t length) {
  static const uint8_t kZero = 0;
  if (key == nullptr || length == 0) {
    key = &kZero;
    length = 1;
  }
  if (length > 56) length = 56;
  std::memcpy(p_, kInitP, sizeof p_);
  std::memcpy(s_, kInitS, sizeof s_);
  size_t k = 0;
  for (uint32_t& p : p_) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | key[k];
      k = (k + 1) % length;
    }
    p ^= word;
  }
  uint32_t l = 0, r = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptBlock(l, r);
    p_[i] = l;
    p_[i + 1] = r;
  }
  for (auto& box : s_) {
    for (int i = 0; i < 256; i += 2) {
      EncryptBlock(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

uint32_t Blowfish::F(uint32_t x) const {
  return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; ++i) {
    l ^= p_[i];
    r ^= F(l);
    uint32_t t = l;
    l = r;
    r = t;
  }
  uint32_t t = l;
  l = r;
  r = t;
  r ^= p_[16];
  l ^= p_[17];
  left = l;
  right = r;
}

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 17; i > 1; --i) {
    l ^= p_[i];
    r ^= F(l);
    uint32_t t = l;
    l = r;
    r = t;
  }
  uint32_t t = l;
  l = r;
  r = t;
  r ^= p_[1];
  l ^= p_[0];
  left = l;
  right = r;
}

}  // namespace veneer
