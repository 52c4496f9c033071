// The frame header ("MO_I"/"MO_O") and the search answer path: validation, unscrambling,
// the answer layout, names, the subnet filter and the schedule. Answers come from the
// stand-in camera's own encoder. Fuzzing at the end runs under ASan/UBSan natively.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "fake_codec.h"
#include "frame_header.h"
#include "quilcam_answer.h"
#include "search_protocol.h"

using namespace camshare;
using namespace camshare::search;
using camshare::test::FakeCodec;

namespace {

const std::vector<LocalAddress> kLocal = {{0x7F000001, 0xFF000000}, {0xC0A80105, 0xFFFFFF00}};

std::vector<uint8_t> Answer(const std::string& camera) {
  quilcam::CameraSpec spec;
  std::string error;
  EXPECT_TRUE(quilcam::ParseCamera("ip=192.168.1.20," + camera, &spec, &error)) << error;
  return quilcam::BuildAnswer(spec);
}

bool Accept(const std::vector<uint8_t>& d, tag_Search_Camera* out,
            const std::vector<LocalAddress>* table = &kLocal, const TextCodec& codec = FakeCodec()) {
  // An exact-size copy, so that the sanitizer sees any read past the end.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[d.size() + 1]);
  if (!d.empty()) std::memcpy(exact.get(), d.data(), d.size());
  return AcceptAnswer(exact.get(), d.size(), codec, table, out);
}

}  // namespace

TEST(FrameHeader, RequestBytesAndOperationHeaderRoundTrip) {
  const uint8_t request[27] = {'M', 'O', '_', 'I', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0,   4,   0,   0,   0, 4, 0, 0, 0, 0, 0, 0, 1};
  std::vector<uint8_t> r = BuildSearchRequest();
  ASSERT_EQ(r.size(), 27u);
  EXPECT_EQ(0, std::memcmp(r.data(), request, 27));

  frame::FrameHeader h, back;
  std::memcpy(h.magic, frame::kMagicOperation, 4);
  h.op = 0x1234;
  h.scramble = 1;
  h.key[7] = 0xA7;
  h.length = 0x01020304;
  h.lengthCopy = 0x0A0B0C0D;
  uint8_t bytes[23];
  frame::EncodeHeader(h, bytes);
  EXPECT_EQ(0, std::memcmp(bytes, "MO_O\x34\x12\x01", 7));
  EXPECT_EQ(bytes[14], 0xA7);
  EXPECT_EQ(0, std::memcmp(bytes + 15, "\x04\x03\x02\x01\x0D\x0C\x0B\x0A", 8));
  ASSERT_TRUE(frame::DecodeHeader(bytes, 23, &back));
  EXPECT_EQ(back.op, 0x1234);
  EXPECT_EQ(back.length, 0x01020304u);
  EXPECT_EQ(back.lengthCopy, 0x0A0B0C0Du);
  EXPECT_FALSE(frame::DecodeHeader(bytes, 22, &back));
  EXPECT_FALSE(frame::HasMagic(bytes, 23, frame::kMagicSearch));
}

TEST(FrameHeader, BuilderGrowsInWholeHundredsAndKeepsBothLengths) {
  frame::FrameBuilder b(frame::kMagicSearch, 1);
  EXPECT_EQ(b.capacity(), 100u);
  std::vector<uint8_t> chunk(77, 0x5A);
  b.Append(chunk.data(), chunk.size());  // exactly 100 bytes
  EXPECT_EQ(b.capacity(), 100u);
  std::vector<uint8_t> big(351, 0x11);
  b.Append(big.data(), big.size());
  EXPECT_EQ(b.capacity(), 500u);
  std::vector<uint8_t> f = b.Finish();
  frame::FrameHeader h;
  ASSERT_TRUE(frame::DecodeHeader(f.data(), f.size(), &h));
  EXPECT_EQ(f.size(), 451u);
  EXPECT_EQ(h.length, 428u);
  EXPECT_EQ(h.lengthCopy, 428u);
  EXPECT_EQ(f[99], 0x5A);
  EXPECT_EQ(f[100], 0x11);
}

TEST(SearchAnswer, FieldsAsReceivedAndAsInserted) {
  tag_Search_Camera c;
  ASSERT_TRUE(Accept(Answer("id=A1B2C3D4E5F60,name=cam1,gateway=192.168.1.1,dns=8.8.8.8,port=81"), &c));
  EXPECT_EQ(std::string(c.identifier, 13), "A1B2C3D4E5F60");
  EXPECT_STREQ(c.name, "cam1");
  EXPECT_EQ(HostFromNetwork(c.ip), 0xC0A80114u);
  EXPECT_EQ(HostFromNetwork(c.mask), 0xFFFFFF00u);
  EXPECT_EQ(HostFromNetwork(c.gateway), 0xC0A80101u);
  EXPECT_EQ(HostFromNetwork(c.dns), 0x08080808u);
  EXPECT_EQ(HostFromNetwork16(c.port), 81);
  EXPECT_EQ(c.valid, 1);
  AnswerCamera cam = CameraFromAnswer(c);
  NewCamera n = cam.View();
  EXPECT_STREQ(n.ip, "192.168.1.20");
  EXPECT_STREQ(n.submask, "255.255.255.0");
  EXPECT_EQ(0, std::memcmp(n.mac, "A1B2C3", 6));
  EXPECT_EQ(n.webport, 81);
  EXPECT_EQ(n.localport, 81);
  EXPECT_STREQ(n.gateway, "0.0.0.0");
  EXPECT_STREQ(n.dns, "0.0.0.0");
  EXPECT_EQ(n.channel, 1);
  EXPECT_STREQ(n.cameratype, "quil");
  EXPECT_STREQ(n.username, "");
}

TEST(SearchAnswer, ScrambledAndPlainGiveTheSameAnswer) {
  tag_Search_Camera plain, scrambled;
  auto s = Answer("name=yard,scramble=1");
  EXPECT_EQ(s[6], 1);
  ASSERT_TRUE(Accept(Answer("name=yard"), &plain));
  ASSERT_TRUE(Accept(s, &scrambled));
  EXPECT_EQ(0, std::memcmp(&plain, &scrambled, sizeof plain));
  s[6] = 2;  // any flag but 1 means plain: the scrambled bytes are parsed as they are
  EXPECT_FALSE(Accept(s, &scrambled) && std::strcmp(scrambled.name, "yard") == 0);
}

TEST(SearchAnswer, BrokenDatagramsAreDropped) {
  tag_Search_Camera c;
  for (const char* form : {"badmagic", "badlength", "headeronly", "empty", "request"}) {
    EXPECT_FALSE(Accept(Answer(std::string("form=") + form), &c)) << form;
  }
  auto good = Answer("name=x");
  ReceivedFrame f;
  ASSERT_TRUE(ValidateDatagram(good.data(), good.size(), &f));
  EXPECT_FALSE(ValidateDatagram(good.data(), good.size() - 1, &f));
  good.push_back(0);
  EXPECT_FALSE(ValidateDatagram(good.data(), good.size(), &f));
  // A 23-byte answer is valid but too short for the layout.
  auto header = Answer("form=headeronly");
  ASSERT_TRUE(ValidateDatagram(header.data(), header.size(), &f));
  EXPECT_EQ(f.op, kOpAnswer);
}

TEST(SearchAnswer, NamesAreCutToTwentyBytes) {
  tag_Search_Camera c;
  ASSERT_TRUE(Accept(Answer("name=ABCDEFGHIJKLMNOPQRSTU"), &c));  // 21 bytes, no terminator
  EXPECT_STREQ(c.name, "ABCDEFGHIJKLMNOPQRST");
  FakeCodec latin1, dbcs(true);
  EXPECT_EQ(ConvertCameraName("", latin1), "");
  EXPECT_EQ(ConvertCameraName("\xC3\xA9t\xC3\xA9", latin1), "\xE9t\xE9");  // UTF-8 converted
  EXPECT_EQ(ConvertCameraName("\xE9t\xE9", latin1), "\xE9t\xE9");          // kept
  // Kept, but a two-byte character is not split at the limit.
  EXPECT_EQ(ConvertCameraName("0123456789012345678\xD6\xD0", dbcs), "0123456789012345678");
}

TEST(SearchAnswer, Utf8Test) {
  for (const char* good : {"", "cam 1", "\xC3\xA9t\xC3\xA9", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80",
                           "ab\xE4\xB8", "ab\xF8"}) {  // the last two are cut short: they pass
    EXPECT_TRUE(IsWellFormedUtf8(good)) << good;
  }
  for (const char* bad : {"\x80", "a\xBF", "\xC3x", "\xE4\xB8x", "\xD6\xD0\xCE\xC4"}) {
    EXPECT_FALSE(IsWellFormedUtf8(bad)) << bad;
  }
}

TEST(SearchAnswer, SubnetFilterWantsTheSameMaskAndNetwork) {
  tag_Search_Camera c;
  EXPECT_FALSE(Accept(Answer("mask=255.255.0.0"), &c));  // inside a local network, other mask
  EXPECT_FALSE(Accept(Answer("ip=192.168.9.20"), &c));
  EXPECT_TRUE(Accept(Answer("mask=255.255.0.0"), &c, nullptr));  // table unreadable: passes
  std::vector<LocalAddress> none;
  EXPECT_FALSE(Accept(Answer("name=x"), &c, &none));
}

TEST(SearchSchedule, IntervalsAndTheWrapOfTheTickCounter) {
  SearchSchedule s(1000);
  EXPECT_TRUE(s.SendDue(1000));
  EXPECT_TRUE(s.TakeAgeing(1000));
  EXPECT_FALSE(s.TakeAgeing(5999));
  EXPECT_TRUE(s.TakeAgeing(6000));
  s.Sent(1000);
  EXPECT_FALSE(s.SendDue(3999));
  EXPECT_TRUE(s.SendDue(4000));

  SearchSchedule w(0xFFFFF000u);
  w.Sent(0xFFFFFFF0u);  // next request at 0xBA8, after the wrap
  EXPECT_FALSE(w.SendDue(0xFFFFFFFFu));
  EXPECT_FALSE(w.SendDue(0x100u));
  EXPECT_TRUE(w.SendDue(0xBA8u));
  EXPECT_TRUE(w.TakeAgeing(0xFFFFFFF0u));
  EXPECT_FALSE(w.TakeAgeing(0x10u));
}

TEST(SearchFuzz, RandomTruncatedAndFlippedDatagrams) {
  std::mt19937 rng(20240517);
  FakeCodec latin1, dbcs(true);
  auto check = [&](const std::vector<uint8_t>& d, const TextCodec& codec) {
    tag_Search_Camera c;
    if (Accept(d, &c, &kLocal, codec)) {
      EXPECT_GE(d.size(), 87u);
      EXPECT_LE(std::strlen(c.name), 20u);
    }
  };
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> d(rng() % 160);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    if (d.size() >= 23 && (round & 1)) {  // a plausible header reaches the deeper code
      std::memcpy(d.data(), "MO_I\x01\x00", 6);
      uint32_t len = static_cast<uint32_t>(d.size() - 23) + (rng() % 8 == 0 ? rng() % 3 : 0);
      for (int i = 0; i < 4; ++i) d[15 + i] = static_cast<uint8_t>(len >> (8 * i));
    }
    check(d, round % 3 ? latin1 : dbcs);
  }
  for (const char* camera : {"name=hex:E4B8ADE69687D6D0CEC4787978797879", "scramble=1,name=a"}) {
    auto full = Answer(camera);
    for (size_t n = 0; n <= full.size(); ++n) {
      std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
      check(cut, dbcs);
      if (n >= 23) {  // the same prefix with a matching length field
        for (int i = 0; i < 4; ++i) cut[15 + i] = static_cast<uint8_t>((n - 23) >> (8 * i));
        tag_Search_Camera c;
        EXPECT_EQ(Accept(cut, &c, &kLocal, dbcs), n >= 87) << n;
      }
    }
    for (int round = 0; round < 3000; ++round) {
      auto d = full;
      d[rng() % d.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
      check(d, latin1);
    }
  }
}
