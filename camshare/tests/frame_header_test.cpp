// The 23-byte frame header shared by the search and the quil operation protocol.
#include "frame_header.h"

#include <gtest/gtest.h>

#include <cstring>

#include "search_protocol.h"

using namespace camshare;

TEST(FrameHeader, SearchRequestIsByteExact) {
  std::vector<uint8_t> r = search::BuildSearchRequest();
  const uint8_t expected[27] = {0x4D, 0x4F, 0x5F, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0,    4,    0,    0,    0, 4, 0, 0, 0, 0, 0, 0, 1};
  ASSERT_EQ(r.size(), 27u);
  EXPECT_EQ(0, std::memcmp(r.data(), expected, 27));
}

TEST(FrameHeader, EncodeDecodeRoundTripWithOperationMagic) {
  frame::FrameHeader h;
  std::memcpy(h.magic, frame::kMagicOperation, 4);
  h.op = 0x1234;
  h.scramble = 1;
  for (int i = 0; i < 8; ++i) h.key[i] = static_cast<uint8_t>(0xA0 + i);
  h.length = 0x01020304;
  h.lengthCopy = 0x0A0B0C0D;
  uint8_t bytes[23];
  frame::EncodeHeader(h, bytes);
  EXPECT_EQ(0, std::memcmp(bytes, "MO_O", 4));
  EXPECT_EQ(bytes[4], 0x34);
  EXPECT_EQ(bytes[5], 0x12);
  EXPECT_EQ(bytes[6], 1);
  EXPECT_EQ(bytes[7], 0xA0);
  EXPECT_EQ(bytes[14], 0xA7);
  EXPECT_EQ(bytes[15], 0x04);
  EXPECT_EQ(bytes[18], 0x01);
  EXPECT_EQ(bytes[19], 0x0D);
  EXPECT_EQ(bytes[22], 0x0A);
  frame::FrameHeader back;
  ASSERT_TRUE(frame::DecodeHeader(bytes, 23, &back));
  EXPECT_EQ(0, std::memcmp(back.magic, "MO_O", 4));
  EXPECT_EQ(back.op, 0x1234);
  EXPECT_EQ(back.scramble, 1);
  EXPECT_EQ(0, std::memcmp(back.key, h.key, 8));
  EXPECT_EQ(back.length, 0x01020304u);
  EXPECT_EQ(back.lengthCopy, 0x0A0B0C0Du);
  EXPECT_TRUE(frame::HasMagic(bytes, 23, frame::kMagicOperation));
  EXPECT_FALSE(frame::HasMagic(bytes, 23, frame::kMagicSearch));
}

TEST(FrameHeader, DecodeNeedsAllTwentyThreeBytes) {
  uint8_t bytes[23] = {};
  frame::FrameHeader h;
  for (size_t n = 0; n < 23; ++n) EXPECT_FALSE(frame::DecodeHeader(bytes, n, &h)) << n;
  EXPECT_TRUE(frame::DecodeHeader(bytes, 23, &h));
  EXPECT_FALSE(frame::DecodeHeader(nullptr, 100, &h));
  EXPECT_FALSE(frame::HasMagic(bytes, 3, frame::kMagicSearch));
}

TEST(FrameHeader, ScrambleTwiceRestoresThePayload) {
  const uint8_t key[8] = {1, 2, 4, 8, 16, 32, 64, 128};
  uint8_t data[20];
  for (int i = 0; i < 20; ++i) data[i] = static_cast<uint8_t>(i * 7);
  uint8_t copy[20];
  std::memcpy(copy, data, 20);
  frame::Scramble(data, 20, key);
  EXPECT_EQ(data[0], copy[0] ^ 1);
  EXPECT_EQ(data[9], copy[9] ^ 2);  // the key repeats every 8 bytes
  EXPECT_EQ(data[15], copy[15] ^ 128);
  frame::Scramble(data, 20, key);
  EXPECT_EQ(0, std::memcmp(data, copy, 20));
}

TEST(FrameHeader, BuilderGrowsInWholeHundredsAndKeepsBothLengths) {
  frame::FrameBuilder b(frame::kMagicSearch, 1);
  EXPECT_EQ(b.capacity(), 100u);
  std::vector<uint8_t> chunk(77, 0x5A);
  b.Append(chunk.data(), chunk.size());  // 23 + 77 = 100: still fits
  EXPECT_EQ(b.capacity(), 100u);
  b.Append(chunk.data(), 1);
  EXPECT_EQ(b.capacity(), 200u);
  std::vector<uint8_t> big(350, 0x11);
  b.Append(big.data(), big.size());  // 451 bytes
  EXPECT_EQ(b.capacity(), 500u);
  std::vector<uint8_t> f = b.Finish();
  ASSERT_EQ(f.size(), 451u);
  frame::FrameHeader h;
  ASSERT_TRUE(frame::DecodeHeader(f.data(), f.size(), &h));
  EXPECT_EQ(h.length, 428u);
  EXPECT_EQ(h.lengthCopy, 428u);
  EXPECT_EQ(h.op, 1);
  EXPECT_EQ(f[23], 0x5A);
  EXPECT_EQ(f[100], 0x5A);
  EXPECT_EQ(f[101], 0x11);
  EXPECT_EQ(f[450], 0x11);
}

TEST(FrameHeader, EmptyFrameHasZeroLengths) {
  frame::FrameBuilder b(frame::kMagicOperation, 255);
  std::vector<uint8_t> f = b.Finish();
  ASSERT_EQ(f.size(), 23u);
  frame::FrameHeader h;
  ASSERT_TRUE(frame::DecodeHeader(f.data(), f.size(), &h));
  EXPECT_EQ(h.op, 255);
  EXPECT_EQ(h.length, 0u);
  EXPECT_EQ(h.lengthCopy, 0u);
}
