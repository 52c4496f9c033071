#include "lzari.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RoundTrip(const Bytes& in) {
  Bytes packed = veneer::LzariCompress(in.data(), in.size());
  Bytes out;
  std::string error;
  EXPECT_TRUE(veneer::LzariExpand(packed.data(), packed.size(), out, &error)) << error;
  return out;
}

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

Bytes Text(size_t n) {
  const std::string phrase = "The camera-in-use prompt sits near the clock. ";
  Bytes b;
  while (b.size() < n) b.push_back(static_cast<uint8_t>(phrase[b.size() % phrase.size()]));
  return b;
}

TEST(Lzari, EmptyInputIsAFourByteHeader) {
  Bytes packed = veneer::LzariCompress(nullptr, 0);
  EXPECT_EQ(packed, Bytes(4, 0));
  Bytes out{1, 2, 3};
  EXPECT_TRUE(veneer::LzariExpand(packed.data(), packed.size(), out));
  EXPECT_TRUE(out.empty());
}

// Streams worked out by hand from the coder's definition (17-bit arithmetic coder, 314
// symbols of frequency 1, position weights 10000 / (i + 200)), not by this encoder:
// - "A": symbol 66 narrows [0, 131072) to [103521, 103939) and then to [12416, 65920)
//   with the bits 1100101; the end adds 0 and the pending 1, and seven 0 bits flush them.
// - four blanks: a match of length 4 at distance 1 from the ring's first blanks (symbol
//   258, bits 001011 with two pending), then position 0 (cumulative 28519 of 28568).
TEST(Lzari, KnownStreamsExpandToTheirText) {
  const Bytes a = {0x01, 0x00, 0x00, 0x00, 0xCA, 0x80};
  const Bytes blanks = {0x04, 0x00, 0x00, 0x00, 0x2E, 0x78, 0x40};
  Bytes out;
  std::string error;
  ASSERT_TRUE(veneer::LzariExpand(a.data(), a.size(), out, &error)) << error;
  EXPECT_EQ(out, Bytes{'A'});
  ASSERT_TRUE(veneer::LzariExpand(blanks.data(), blanks.size(), out, &error)) << error;
  EXPECT_EQ(out, Bytes(4, ' '));
  // The encoder makes the same bytes.
  EXPECT_EQ(veneer::LzariCompress(out.data(), out.size()), blanks);
  const uint8_t letter = 'A';
  EXPECT_EQ(veneer::LzariCompress(&letter, 1), a);
}

TEST(Lzari, RoundTripsAcrossSizesAndShapes) {
  for (size_t n : {1u, 2u, 3u, 59u, 60u, 61u, 4035u, 4036u, 4096u, 4097u, 10000u, 70000u}) {
    Bytes random = Random(n, static_cast<uint32_t>(n));
    EXPECT_EQ(RoundTrip(random), random) << "random " << n;
    Bytes text = Text(n);
    EXPECT_EQ(RoundTrip(text), text) << "text " << n;
    Bytes blanks(n, ' ');
    EXPECT_EQ(RoundTrip(blanks), blanks) << "blanks " << n;
    Bytes zeros(n, 0);
    EXPECT_EQ(RoundTrip(zeros), zeros) << "zeros " << n;
  }
}

TEST(Lzari, HeaderIsLittleEndianLength) {
  Bytes in = Text(300);
  Bytes packed = veneer::LzariCompress(in.data(), in.size());
  ASSERT_GE(packed.size(), 4u);
  EXPECT_EQ(packed[0], 300 % 256);
  EXPECT_EQ(packed[1], 300 / 256);
  EXPECT_EQ(packed[2], 0);
  EXPECT_EQ(packed[3], 0);
}

TEST(Lzari, RepetitiveDataShrinks) {
  Bytes in = Text(50000);
  Bytes packed = veneer::LzariCompress(in.data(), in.size());
  EXPECT_LT(packed.size(), in.size() / 20);
}

TEST(Lzari, ShortHeaderIsAReadError) {
  const uint8_t three[] = {1, 0, 0};
  Bytes out;
  std::string error;
  EXPECT_FALSE(veneer::LzariExpand(three, sizeof three, out, &error));
  EXPECT_EQ(error, "Read Error");
}

TEST(Lzari, StatedLengthBeyondTheBitsIsAReadError) {
  Bytes in = Random(2000, 7);
  Bytes packed = veneer::LzariCompress(in.data(), in.size());
  packed[0] = 0xFF;
  packed[1] = 0xFF;
  packed[2] = 0x0F;  // about a million bytes from a stream of two thousand
  Bytes out;
  std::string error;
  EXPECT_FALSE(veneer::LzariExpand(packed.data(), packed.size(), out, &error));
  EXPECT_EQ(error, "Read Error");
  EXPECT_TRUE(out.empty());
}

TEST(Lzari, LengthAboveTheLimitIsRefusedBeforeDecoding) {
  const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34};
  Bytes out;
  EXPECT_FALSE(veneer::LzariExpand(huge, sizeof huge, out, nullptr, 1 << 20));
  EXPECT_TRUE(out.empty());
}

TEST(Lzari, TruncatedStreamsEndCleanly) {
  Bytes in = Random(3000, 3);
  Bytes text = Text(3000);
  for (const Bytes* src : {&in, &text}) {
    Bytes packed = veneer::LzariCompress(src->data(), src->size());
    for (size_t cut = 0; cut < packed.size(); ++cut) {
      Bytes out;
      bool ok = veneer::LzariExpand(packed.data(), cut, out);
      // There is no checksum: a cut that loses only fill bits may still decode.
      if (ok) {
        EXPECT_EQ(out.size(), src->size()) << "cut " << cut;
      } else {
        EXPECT_TRUE(out.empty());
      }
    }
  }
}

TEST(Lzari, RandomStreamsNeverOverrunTheirStatedLength) {
  std::mt19937 rng(11);
  for (int round = 0; round < 400; ++round) {
    Bytes junk = Random(4 + rng() % 300, static_cast<uint32_t>(round));
    uint32_t stated = rng() % 20000;
    for (int i = 0; i < 4; ++i) junk[i] = static_cast<uint8_t>(stated >> (8 * i));
    Bytes out;
    bool ok = veneer::LzariExpand(junk.data(), junk.size(), out);
    if (ok) {
      EXPECT_EQ(out.size(), stated);
    } else {
      EXPECT_TRUE(out.empty());
    }
  }
}

TEST(Lzari, FlippedBitsEitherFailOrKeepTheLength) {
  Bytes in = Text(5000);
  Bytes packed = veneer::LzariCompress(in.data(), in.size());
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    Bytes broken = packed;
    size_t at = 4 + rng() % (broken.size() - 4);
    broken[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
    Bytes out;
    if (veneer::LzariExpand(broken.data(), broken.size(), out)) {
      EXPECT_EQ(out.size(), in.size());
    }
  }
}

}  // namespace
