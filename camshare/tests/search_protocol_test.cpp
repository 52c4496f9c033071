// Validation and parsing of search answers, the name conversion and the subnet filter.
#include "search_protocol.h"

#include <gtest/gtest.h>

#include <cstring>

#include "answer_bytes.h"
#include "fake_codec.h"

using namespace camshare;
using namespace camshare::search;
using camshare::test::AnswerDatagram;
using camshare::test::AnswerSpec;
using camshare::test::FakeCodec;

namespace {

const std::vector<LocalAddress> kLocal = {{0x7F000001, 0xFF000000}, {0xC0A80105, 0xFFFFFF00}};

bool Accept(const std::vector<uint8_t>& d, tag_Search_Camera* out,
            const std::vector<LocalAddress>* table = &kLocal) {
  FakeCodec codec;
  return AcceptAnswer(d.data(), d.size(), codec, table, out);
}

}  // namespace

TEST(SearchValidation, PlainAnswerKeepsItsPayload) {
  AnswerSpec s;
  auto d = AnswerDatagram(s);
  ReceivedFrame f;
  ASSERT_TRUE(ValidateDatagram(d.data(), d.size(), &f));
  EXPECT_EQ(f.op, kOpAnswer);
  EXPECT_EQ(f.payload, test::AnswerPayload(s));
}

TEST(SearchValidation, ScrambledAnswerIsUnscrambledWithItsOwnKey) {
  AnswerSpec s;
  s.scrambled = true;
  s.extra = 9;
  auto d = AnswerDatagram(s);
  EXPECT_NE(0, std::memcmp(&d[23], "A1B2", 4));
  ReceivedFrame f;
  ASSERT_TRUE(ValidateDatagram(d.data(), d.size(), &f));
  EXPECT_EQ(f.payload, test::AnswerPayload(s));
}

TEST(SearchValidation, ScrambledAndPlainGiveTheSameAnswer) {
  AnswerSpec plain, scrambled;
  scrambled.scrambled = true;
  tag_Search_Camera a, b;
  ASSERT_TRUE(Accept(AnswerDatagram(plain), &a));
  ASSERT_TRUE(Accept(AnswerDatagram(scrambled), &b));
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

TEST(SearchValidation, FlagOtherThanOneMeansPlain) {
  AnswerSpec s;
  auto d = AnswerDatagram(s);
  d[6] = 2;  // not 1: parsed without change
  tag_Search_Camera c;
  ASSERT_TRUE(Accept(d, &c));
  EXPECT_STREQ(c.name, "cam1");
}

TEST(SearchValidation, DropsWrongMagicShortAndInconsistentLengths) {
  AnswerSpec s;
  auto good = AnswerDatagram(s);
  ReceivedFrame f;
  auto magic = good;
  magic[3] = 'O';
  EXPECT_FALSE(ValidateDatagram(magic.data(), magic.size(), &f));
  auto longer = good;
  longer.push_back(0);  // one byte more than the length says
  EXPECT_FALSE(ValidateDatagram(longer.data(), longer.size(), &f));
  EXPECT_FALSE(ValidateDatagram(good.data(), good.size() - 1, &f));
  auto field = good;
  field[15] = static_cast<uint8_t>(field[15] + 1);
  EXPECT_FALSE(ValidateDatagram(field.data(), field.size(), &f));
  for (size_t n = 0; n < 23; ++n) EXPECT_FALSE(ValidateDatagram(good.data(), n, &f)) << n;
}

TEST(SearchValidation, OnlyTheFirstLengthCounts) {
  AnswerSpec s;
  auto d = AnswerDatagram(s);
  d[19] = 0x77;  // the copy is not checked
  ReceivedFrame f;
  EXPECT_TRUE(ValidateDatagram(d.data(), d.size(), &f));
}

TEST(SearchValidation, HugeLengthFieldIsDropped) {
  AnswerSpec s;
  auto d = AnswerDatagram(s);
  for (uint32_t bad : {0xFFFFFFFFu, 0xFFFFFFE9u, 0x80000000u}) {
    for (int i = 0; i < 4; ++i) d[15 + i] = static_cast<uint8_t>(bad >> (8 * i));
    ReceivedFrame f;
    EXPECT_FALSE(ValidateDatagram(d.data(), d.size(), &f)) << bad;
  }
}

TEST(SearchValidation, TwentyThreeByteAnswerIsValidButTooShort) {
  AnswerSpec s;
  auto d = test::Datagram(s, {});
  ASSERT_EQ(d.size(), 23u);
  ReceivedFrame f;
  ASSERT_TRUE(ValidateDatagram(d.data(), d.size(), &f));
  EXPECT_EQ(f.op, kOpAnswer);
  EXPECT_TRUE(f.payload.empty());
  tag_Search_Camera c;
  EXPECT_FALSE(Accept(d, &c));
}

TEST(SearchValidation, RequestsAreNotAnswers) {
  AnswerSpec s;
  s.op = kOpRequest;
  tag_Search_Camera c;
  EXPECT_FALSE(Accept(AnswerDatagram(s), &c));
  auto request = BuildSearchRequest();
  EXPECT_FALSE(Accept(request, &c));
}

TEST(SearchAnswer, FieldsAsReceived) {
  AnswerSpec s;
  s.extra = 30;  // bytes past the layout are ignored
  tag_Search_Camera c;
  ASSERT_TRUE(Accept(AnswerDatagram(s), &c));
  EXPECT_EQ(std::string(c.identifier, 13), "A1B2C3D4E5F60");
  EXPECT_STREQ(c.name, "cam1");
  EXPECT_EQ(c.user[0], 0);
  EXPECT_EQ(c.password[0], 0);
  EXPECT_EQ(HostFromNetwork(c.ip), 0xC0A80114u);
  EXPECT_EQ(HostFromNetwork(c.mask), 0xFFFFFF00u);
  EXPECT_EQ(HostFromNetwork(c.gateway), 0xC0A80101u);
  EXPECT_EQ(HostFromNetwork(c.dns), 0x08080808u);
  EXPECT_EQ(HostFromNetwork16(c.port), 81);
  EXPECT_EQ(c.valid, 1);
  EXPECT_EQ(c.onLocalSubnet, 1);

  AnswerCamera cam = CameraFromAnswer(c);
  EXPECT_EQ(cam.ip, "192.168.1.20");
  EXPECT_EQ(cam.submask, "255.255.255.0");
  EXPECT_EQ(0, std::memcmp(cam.mac, "A1B2C3", 6));
  NewCamera n = cam.View();
  EXPECT_EQ(n.webport, 81);
  EXPECT_EQ(n.localport, 81);
  EXPECT_STREQ(n.gateway, "0.0.0.0");
  EXPECT_STREQ(n.multiip, "0.0.0.0");
  EXPECT_STREQ(n.dns, "0.0.0.0");
  EXPECT_EQ(n.multiport, 0);
  EXPECT_EQ(n.channel, 1);
  EXPECT_STREQ(n.cameratype, "quil");
  EXPECT_STREQ(n.username, "");
  EXPECT_STREQ(n.userpassword, "");
}

TEST(SearchAnswer, EveryShorterPayloadIsDropped) {
  AnswerSpec s;
  auto payload = test::AnswerPayload(s);
  for (size_t n = 0; n < 64; ++n) {
    std::vector<uint8_t> cut(payload.begin(), payload.begin() + static_cast<long>(n));
    tag_Search_Camera c;
    EXPECT_FALSE(Accept(test::Datagram(s, cut), &c)) << n;
  }
}

TEST(SearchAnswer, TwentyOneByteNameIsCutToTwenty) {
  AnswerSpec s;
  s.name = "ABCDEFGHIJKLMNOPQRSTU";
  ASSERT_EQ(s.name.size(), 21u);
  tag_Search_Camera c;
  ASSERT_TRUE(Accept(AnswerDatagram(s), &c));
  EXPECT_STREQ(c.name, "ABCDEFGHIJKLMNOPQRST");
}

TEST(SearchAnswer, OtherMaskIsDroppedEvenInsideALocalNetwork) {
  AnswerSpec s;
  s.mask[2] = 0;  // 255.255.0.0 while the PC has 255.255.255.0
  tag_Search_Camera c;
  EXPECT_FALSE(Accept(AnswerDatagram(s), &c));
  AnswerSpec far;
  far.ip[2] = 9;  // 192.168.9.20/24: other network
  EXPECT_FALSE(Accept(AnswerDatagram(far), &c));
  // Without an address table every camera passes.
  EXPECT_TRUE(Accept(AnswerDatagram(s), &c, nullptr));
}

TEST(SubnetFilter, MatchesMaskAndNetwork) {
  std::vector<LocalAddress> table = {{0x0AD50701, 0xFFFFFF00}};
  EXPECT_TRUE(OnLocalSubnet(&table, 0x0AD50732, 0xFFFFFF00));
  EXPECT_FALSE(OnLocalSubnet(&table, 0x0AD50832, 0xFFFFFF00));
  EXPECT_FALSE(OnLocalSubnet(&table, 0x0AD50732, 0xFFFF0000));
  std::vector<LocalAddress> empty;
  EXPECT_FALSE(OnLocalSubnet(&empty, 0x0AD50732, 0xFFFFFF00));
}

TEST(Utf8Test, RulesOfTheWellFormednessTest) {
  EXPECT_TRUE(IsWellFormedUtf8(""));
  EXPECT_TRUE(IsWellFormedUtf8("cam 1"));
  EXPECT_TRUE(IsWellFormedUtf8("\xC3\xA9t\xC3\xA9"));
  EXPECT_TRUE(IsWellFormedUtf8("\xE4\xB8\xAD\xE6\x96\x87"));
  EXPECT_TRUE(IsWellFormedUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsWellFormedUtf8("\x80"));
  EXPECT_FALSE(IsWellFormedUtf8("a\xBF"));
  EXPECT_FALSE(IsWellFormedUtf8("\xC3x"));
  EXPECT_FALSE(IsWellFormedUtf8("\xE4\xB8x"));
  EXPECT_FALSE(IsWellFormedUtf8("\xD6\xD0\xCE\xC4"));  // a double-byte ANSI name
  // Cut short by the end of the text: passes.
  EXPECT_TRUE(IsWellFormedUtf8("ab\xE4\xB8"));
  EXPECT_TRUE(IsWellFormedUtf8("ab\xF8"));
}

TEST(CameraName, ConversionRules) {
  FakeCodec latin1;
  EXPECT_EQ(ConvertCameraName("", latin1), "");
  EXPECT_EQ(ConvertCameraName("\xC3\xA9t\xC3\xA9", latin1), "\xE9t\xE9");
  EXPECT_EQ(ConvertCameraName("\xE9t\xE9", latin1), "\xE9t\xE9");  // not UTF-8: kept
  EXPECT_EQ(ConvertCameraName("0123456789ABCDEFGHIJK", latin1), "0123456789ABCDEFGHIJ");
  FakeCodec dbcs(true);
  // Kept as it is, but a two-byte character is not split at the 20-byte limit.
  std::string raw = "0123456789012345678\xD6\xD0";
  EXPECT_EQ(ConvertCameraName(raw, dbcs), "0123456789012345678");
}

TEST(SearchSchedule, FirstPassDoesBothThenKeepsIntervals) {
  SearchSchedule s(1000);
  EXPECT_TRUE(s.SendDue(1000));
  EXPECT_TRUE(s.TakeAgeing(1000));
  EXPECT_FALSE(s.TakeAgeing(1000));
  s.Sent(1000);
  EXPECT_FALSE(s.SendDue(3999));
  EXPECT_TRUE(s.SendDue(4000));
  EXPECT_FALSE(s.TakeAgeing(5999));
  EXPECT_TRUE(s.TakeAgeing(6000));
}

TEST(SearchSchedule, SurvivesTheWrapOfTheTickCounter) {
  SearchSchedule s(0xFFFFF000u);
  s.Sent(0xFFFFFFF0u);  // next send at 0xBA8 after the wrap
  EXPECT_FALSE(s.SendDue(0xFFFFFFFFu));
  EXPECT_FALSE(s.SendDue(0x00000100u));
  EXPECT_TRUE(s.SendDue(0x00000BA8u));
  EXPECT_TRUE(s.TakeAgeing(0xFFFFFFF0u));
  EXPECT_FALSE(s.TakeAgeing(0x00000010u));
  EXPECT_TRUE(s.TakeAgeing(0x00001380u));
}

TEST(DottedText, FourDecimalParts) {
  EXPECT_EQ(DottedText(0), "0.0.0.0");
  EXPECT_EQ(DottedText(0xFFFFFFFFu), "255.255.255.255");
  EXPECT_EQ(DottedText(0x0AD50702u), "10.213.7.2");
}
