// The stand-in camera's answers, byte by byte, and its camera descriptions.
#include "quilcam_answer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quilcam;

TEST(QuilcamAnswer, GoodAnswerLayout) {
  CameraSpec c;
  std::string error;
  ASSERT_TRUE(ParseCamera("id=ABCDEF123456X,name=cam7,ip=10.213.7.77,mask=255.255.255.0,port=8081", &c, &error))
      << error;
  std::vector<uint8_t> d = BuildAnswer(c);
  ASSERT_EQ(d.size(), 23u + 64u);
  EXPECT_EQ(0, std::memcmp(d.data(), "MO_I\x01\x00\x00", 7));
  EXPECT_EQ(d[15], 64);
  EXPECT_EQ(d[19], 64);
  EXPECT_EQ(0, std::memcmp(&d[23], "ABCDEF123456X", 13));
  EXPECT_EQ(0, std::memcmp(&d[23 + 13], "cam7\0", 5));
  EXPECT_EQ(0, std::memcmp(&d[23 + 34], "\x0A\xD5\x07\x4D", 4));
  EXPECT_EQ(0, std::memcmp(&d[23 + 38], "\xFF\xFF\xFF\x00", 4));
  EXPECT_EQ(d[23 + 62], 0x1F);  // 8081 in network order
  EXPECT_EQ(d[23 + 63], 0x91);
}

TEST(QuilcamAnswer, ScrambledPayloadUnscramblesToThePlainOne) {
  CameraSpec plain, scrambled;
  std::string error;
  ASSERT_TRUE(ParseCamera("name=x", &plain, &error));
  ASSERT_TRUE(ParseCamera("name=x,scramble=1", &scrambled, &error));
  auto a = BuildAnswer(plain), b = BuildAnswer(scrambled);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(b[6], 1);
  for (size_t i = 23; i < b.size(); ++i) b[i] ^= b[7 + (i - 23) % 8];
  EXPECT_EQ(0, std::memcmp(a.data() + 23, b.data() + 23, a.size() - 23));
}

TEST(QuilcamAnswer, BrokenForms) {
  std::vector<CameraSpec> cams;
  std::string error;
  ASSERT_TRUE(ParseCameras("form=badmagic;form=badlength;form=headeronly;form=empty;form=request", &cams, &error))
      << error;
  ASSERT_EQ(cams.size(), 5u);
  EXPECT_EQ(0, std::memcmp(BuildAnswer(cams[0]).data(), "MO_X", 4));
  auto badLength = BuildAnswer(cams[1]);
  EXPECT_EQ(badLength[15], 65);
  EXPECT_EQ(badLength.size(), 87u);
  EXPECT_EQ(BuildAnswer(cams[2]).size(), 23u);
  EXPECT_TRUE(BuildAnswer(cams[3]).empty());
  EXPECT_EQ(BuildAnswer(cams[4])[4], 0);
}

TEST(QuilcamAnswer, HexNamesAndBadDescriptions) {
  CameraSpec c;
  std::string error;
  ASSERT_TRUE(ParseCamera("name=hex:E4B8ADE69687", &c, &error));
  EXPECT_EQ(c.name, "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_FALSE(ParseCamera("name=0123456789012345678901", &c, &error));  // 22 bytes
  EXPECT_FALSE(ParseCamera("ip=10.0.0.300", &c, &error));
  EXPECT_FALSE(ParseCamera("port=70000", &c, &error));
  EXPECT_FALSE(ParseCamera("colour=red", &c, &error));
  EXPECT_FALSE(ParseCamera("name", &c, &error));
  std::vector<CameraSpec> none;
  EXPECT_TRUE(ParseCameras("", &none, &error));
  EXPECT_TRUE(none.empty());
}

TEST(QuilcamAnswer, RecognisesSearchRequests) {
  const uint8_t request[27] = {'M', 'O', '_', 'I', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0,   4,   0,   0,   0, 4, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_TRUE(IsSearchRequest(request, 27));
  EXPECT_FALSE(IsSearchRequest(request, 26));
  CameraSpec c;
  auto answer = BuildAnswer(c);
  EXPECT_FALSE(IsSearchRequest(answer.data(), answer.size()));
}
