#include "blowfish.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Vector {
  uint64_t key, plain, cipher;
};

std::vector<uint8_t> KeyBytes(uint64_t key) {
  std::vector<uint8_t> bytes(8);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(key >> (56 - 8 * i));
  return bytes;
}

TEST(Blowfish, KnownVectors) {
  const Vector vectors[] = {
      {0x0000000000000000ull, 0x0000000000000000ull, 0x4EF997456198DD78ull},
      {0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, 0x51866FD5B85ECB8Aull},
      {0x3000000000000000ull, 0x1000000000000001ull, 0x7D856F9A613063F2ull},
      {0x1111111111111111ull, 0x1111111111111111ull, 0x2466DD878B963C9Dull},
      {0x0123456789ABCDEFull, 0x1111111111111111ull, 0x61F9C3802281B096ull},
      {0xFEDCBA9876543210ull, 0x0123456789ABCDEFull, 0x0ACEAB0FC6A0A28Dull},
  };
  for (const Vector& v : vectors) {
    std::vector<uint8_t> key = KeyBytes(v.key);
    veneer::Blowfish bf(key.data(), key.size());
    uint32_t l = static_cast<uint32_t>(v.plain >> 32), r = static_cast<uint32_t>(v.plain);
    bf.EncryptBlock(l, r);
    EXPECT_EQ((uint64_t{l} << 32) | r, v.cipher) << std::hex << v.key;
    bf.DecryptBlock(l, r);
    EXPECT_EQ((uint64_t{l} << 32) | r, v.plain);
  }
}

TEST(Blowfish, DecimalKeyOfThirtyTwoDigitsRoundTrips) {
  const char key[] = "58204719364028175930462817395046";
  veneer::Blowfish bf(reinterpret_cast<const uint8_t*>(key), 32);
  uint32_t l = 0x01020304, r = 0xA0B0C0D0;
  bf.EncryptBlock(l, r);
  EXPECT_FALSE(l == 0x01020304 && r == 0xA0B0C0D0);
  bf.DecryptBlock(l, r);
  EXPECT_EQ(l, 0x01020304u);
  EXPECT_EQ(r, 0xA0B0C0D0u);
}

TEST(Blowfish, EmptyKeyDoesNotCrash) {
  veneer::Blowfish bf(nullptr, 0);
  uint32_t l = 1, r = 2;
  bf.EncryptBlock(l, r);
  bf.DecryptBlock(l, r);
  EXPECT_EQ(l, 1u);
  EXPECT_EQ(r, 2u);
}

}  // namespace
