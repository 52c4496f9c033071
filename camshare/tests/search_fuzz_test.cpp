// Random, truncated and bit-flipped datagrams through the header and answer codecs.
// Run under ASan/UBSan natively: any read past a buffer fails the test.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "answer_bytes.h"
#include "fake_codec.h"
#include "frame_header.h"
#include "search_protocol.h"

using namespace camshare;
using namespace camshare::search;
using camshare::test::AnswerSpec;
using camshare::test::FakeCodec;

namespace {

const std::vector<LocalAddress> kLocal = {{0xC0A80105, 0xFFFFFF00}};

// Exact-size heap copy, so the sanitizer sees any read past the end.
void CheckOne(const std::vector<uint8_t>& bytes, const TextCodec& codec) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() ? bytes.size() : 1]);
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  frame::FrameHeader h;
  bool decoded = frame::DecodeHeader(exact.get(), bytes.size(), &h);
  EXPECT_EQ(decoded, bytes.size() >= 23);
  ReceivedFrame f;
  if (ValidateDatagram(exact.get(), bytes.size(), &f)) {
    EXPECT_TRUE(decoded);
    EXPECT_EQ(f.payload.size() + 23, bytes.size());
    EXPECT_EQ(h.length, f.payload.size());
  }
  tag_Search_Camera c;
  if (AcceptAnswer(exact.get(), bytes.size(), codec, &kLocal, &c)) {
    EXPECT_GE(bytes.size(), 23u + 64u);
    EXPECT_EQ(c.valid, 1);
    EXPECT_EQ(c.onLocalSubnet, 1);
    EXPECT_EQ(c.name[20], '\0');
    EXPECT_LE(std::strlen(c.name), 20u);
    AnswerCamera cam = CameraFromAnswer(c);
    EXPECT_LE(cam.ip.size(), 15u);
  }
}

}  // namespace

TEST(SearchFuzz, RandomDatagrams) {
  std::mt19937 rng(20240517);
  FakeCodec latin1, dbcs(true);
  for (int round = 0; round < 20000; ++round) {
    size_t n = rng() % 160;
    std::vector<uint8_t> d(n);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    // Half the time a plausible header, so that the deeper code is reached.
    if (n >= 23 && (round & 1)) {
      std::memcpy(d.data(), "MO_I", 4);
      d[4] = static_cast<uint8_t>(rng() % 3);
      d[5] = 0;
      d[6] = static_cast<uint8_t>(rng() % 2);
      uint32_t len = static_cast<uint32_t>(n - 23);
      if (rng() % 8 == 0) len += static_cast<uint32_t>(rng() % 5) - 2;
      for (int i = 0; i < 4; ++i) d[15 + i] = static_cast<uint8_t>(len >> (8 * i));
      if (n >= 23 + 42) {  // sometimes on the local subnet
        d[23 + 34] = 192, d[23 + 35] = 168, d[23 + 36] = 1;
        d[23 + 38] = d[23 + 39] = d[23 + 40] = 255, d[23 + 41] = 0;
      }
    }
    CheckOne(d, (round % 3) ? latin1 : dbcs);
  }
}

TEST(SearchFuzz, EveryTruncationOfValidAnswers) {
  FakeCodec codec(true);
  for (bool scrambled : {false, true}) {
    AnswerSpec s;
    s.scrambled = scrambled;
    s.name = "\xE4\xB8\xAD\xE6\x96\x87\xD6\xD0\xCE\xC4xyzxyzxyzxy";
    s.extra = 5;
    auto full = test::AnswerDatagram(s);
    for (size_t n = 0; n <= full.size(); ++n) {
      std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
      CheckOne(cut, codec);
      // The same prefix with a length field that matches it.
      if (n >= 23) {
        uint32_t len = static_cast<uint32_t>(n - 23);
        for (int i = 0; i < 4; ++i) cut[15 + i] = static_cast<uint8_t>(len >> (8 * i));
        CheckOne(cut, codec);
        tag_Search_Camera c;
        EXPECT_EQ(AcceptAnswer(cut.data(), cut.size(), codec, &kLocal, &c), n >= 23 + 64) << n;
      }
    }
  }
}

TEST(SearchFuzz, BitFlipsOfAValidAnswer) {
  std::mt19937 rng(7);
  FakeCodec codec;
  AnswerSpec s;
  auto base = test::AnswerDatagram(s);
  for (int round = 0; round < 5000; ++round) {
    auto d = base;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) d[rng() % d.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    CheckOne(d, codec);
  }
}

TEST(SearchFuzz, RandomNamesConvertWithinTwentyBytes) {
  std::mt19937 rng(99);
  FakeCodec latin1, dbcs(true);
  for (int round = 0; round < 20000; ++round) {
    std::string raw(rng() % 22, '\0');
    for (char& c : raw) c = static_cast<char>(1 + rng() % 255);
    bool utf8 = IsWellFormedUtf8(raw);
    for (const FakeCodec* codec : {&latin1, &dbcs}) {
      std::string out = ConvertCameraName(raw, *codec);
      EXPECT_LE(out.size(), 20u);
      if (!utf8) {
        EXPECT_EQ(out, raw.substr(0, out.size()));
      }
    }
  }
}

TEST(SearchFuzz, BuilderAppendsOfRandomSizes) {
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    frame::FrameBuilder b(frame::kMagicOperation, static_cast<uint16_t>(rng()));
    size_t total = 0;
    int parts = static_cast<int>(rng() % 6);
    for (int i = 0; i < parts; ++i) {
      std::vector<uint8_t> chunk(rng() % 300, static_cast<uint8_t>(i));
      b.Append(chunk.data(), chunk.size());
      total += chunk.size();
      EXPECT_EQ(b.capacity() % 100, 0u);
      EXPECT_GE(b.capacity(), 23 + total);
      EXPECT_LT(b.capacity(), 23 + total + 100);
    }
    auto f = b.Finish();
    frame::FrameHeader h;
    ASSERT_TRUE(frame::DecodeHeader(f.data(), f.size(), &h));
    EXPECT_EQ(h.length, total);
    EXPECT_EQ(h.lengthCopy, total);
  }
}
