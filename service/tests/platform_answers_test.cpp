#include "platform_answers.h"
#include "platform_urls.h"

#include <gtest/gtest.h>

#include <random>

using namespace lookout;

TEST(PlatformUrls, FormatsAndTheLengthCap) {
  EXPECT_EQ(FormatUrl(url::kCheckLogin, {L"127.0.0.1:8080", L"13800000000", L"pw"}),
            L"http://127.0.0.1:8080/interface/chkUserPws.action?UserName=13800000000&Pws=pw");
  EXPECT_EQ(FormatUrl(url::kRemoveBinding, {L"h", L"u", L"p", L"kvcam"}),
            L"http://h/interface/delCameraBind.action?UserName=u&Password=p&CameraID=kvcam&RndCode=123&vcam=1");
  EXPECT_EQ(FormatUrl(url::kPlatformLogin, {L"h", L"u", L"p", L"7", L""}),
            L"http://h/login.asp?username=u&password=p&uid=7&CameraID=&vcam=1");
  EXPECT_EQ(FormatUrl(url::kForgottenPassword, {L"h"}), L"http://h//user/findpwd.action");
  EXPECT_EQ(FormatUrl(L"%s-%s", {L"a"}), L"a-");  // a missing argument is empty
  std::wstring longName(2000, L'x');
  std::wstring cut = FormatUrl(url::kRegister, {L"h", longName, L"pw"});
  EXPECT_EQ(cut.size(), 1023u);
  EXPECT_EQ(cut, (L"http://h/interface/IvrReg.asp?Mobile=" + longName).substr(0, 1023));
  EXPECT_EQ(FormatUrl(url::kHomePage, {std::wstring(1016, L'y')}).size(), 1023u);
  EXPECT_EQ(BrowserCommandLine(L"http://h"), L"explorer \"http://h\"");
}

TEST(PlatformAnswers, RendezvousColonAndErrorPage) {
  RendezvousAnswer a = ParseRendezvousAnswer(L"1.2.3.4:8000");  // colon at index 7
  EXPECT_TRUE(a.ok());
  EXPECT_EQ(a.address, L"1.2.3.4");
  EXPECT_EQ(a.port, 8000);
  EXPECT_FALSE(ParseRendezvousAnswer(L"1.2.3:8000").hasAddress);  // index 5
  EXPECT_FALSE(ParseRendezvousAnswer(L"123456:1").hasAddress);     // index 6
  EXPECT_FALSE(ParseRendezvousAnswer(L"no colon at all").hasAddress);
  EXPECT_FALSE(ParseRendezvousAnswer(L"").ok());

  a = ParseRendezvousAnswer(L"<HTML>10.0.0.1:9000</HTML>");
  EXPECT_TRUE(a.html);
  EXPECT_FALSE(a.ok());
  a = ParseRendezvousAnswer(L"10.0.0.1:9000 HTML");
  EXPECT_TRUE(a.html);
  EXPECT_TRUE(a.hasAddress);
  EXPECT_EQ(a.address, L"10.0.0.1");
  EXPECT_EQ(a.port, 9000);
  EXPECT_FALSE(ParseRendezvousAnswer(L"10.0.0.1:9000 html").html);  // case matters

  EXPECT_EQ(ParseRendezvousAnswer(L"server.example:80x1").port, 80);
  EXPECT_EQ(ParseRendezvousAnswer(L"server.example:  443\r\n").port, 443);
  EXPECT_EQ(ParseRendezvousAnswer(L"server.example:port").port, 0);
  EXPECT_EQ(ParseRendezvousAnswer(L"server.example:99999999999").port, 2147483647);
  EXPECT_EQ(ParseRendezvousAnswer(L"a.b.c.d.e:1:2").address, L"a.b.c.d.e");
}

TEST(PlatformAnswers, LoginRegisterBind) {
  EXPECT_EQ(ParseLoginAnswer(L"1|13800000000|12345").userId, L"12345");
  EXPECT_TRUE(ParseLoginAnswer(L"1|12345").ok);
  EXPECT_EQ(ParseLoginAnswer(L"1|12345").userId, L"12345");
  EXPECT_EQ(ParseLoginAnswer(L"1|a|b|c").userId, L"b|c");
  EXPECT_TRUE(ParseLoginAnswer(L"1").ok);
  EXPECT_FALSE(ParseLoginAnswer(L"0|12345").ok);
  EXPECT_FALSE(ParseLoginAnswer(L"11|12345").ok);
  EXPECT_FALSE(ParseLoginAnswer(L"").ok);

  RegisterAnswer r = ParseRegisterAnswer(L"1|13800000000|secret|77");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.userName, L"13800000000");
  EXPECT_EQ(r.password, L"secret");
  EXPECT_EQ(r.userId, L"77");
  EXPECT_EQ(ParseRegisterAnswer(L"1|u|p|x|78").userId, L"78");
  r = ParseRegisterAnswer(L"0|1041|user exists");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.code, 1041);
  EXPECT_EQ(ParseRegisterAnswer(L"0|103").code, 103);
  EXPECT_EQ(ParseRegisterAnswer(L"error text").code, 0);

  EXPECT_TRUE(ParseBindAnswer(L"1").ok);
  EXPECT_TRUE(ParseBindAnswer(L"1|ok").ok);
  EXPECT_EQ(ParseBindAnswer(L"0|1083").code, 1083);
  EXPECT_EQ(ParseBindAnswer(L"-1|107|x").code, 107);
  EXPECT_EQ(ParseBindAnswer(L"0").code, 0);
}

TEST(PlatformAnswers, DecimalValueLikeTheRuntime) {
  EXPECT_EQ(DecimalValue(L"-3"), -3);
  EXPECT_EQ(DecimalValue(L"  +12abc"), 12);
  EXPECT_EQ(DecimalValue(L"1|2"), 1);
  EXPECT_EQ(DecimalValue(L""), 0);
  EXPECT_EQ(DecimalValue(L"x1"), 0);
  EXPECT_EQ(DecimalValue(L"-99999999999999999999"), -2147483647 - 1);
}

TEST(PlatformAnswers, RandomAnswersParseWithoutHarm) {
  std::mt19937 rng(3);
  const wchar_t kChars[] = L"0123456789|:-HTML \r\n";
  for (int i = 0; i < 5000; ++i) {
    std::wstring text;
    for (size_t n = rng() % 40; n > 0; --n) text += kChars[rng() % (sizeof kChars / sizeof kChars[0] - 1)];
    RendezvousAnswer a = ParseRendezvousAnswer(text);
    if (a.hasAddress) {
      EXPECT_GE(a.address.size(), 7u);
      EXPECT_EQ(a.address.find(L':'), std::wstring::npos);
    }
    LoginAnswer l = ParseLoginAnswer(text);
    if (l.ok) {
      EXPECT_EQ(text.substr(0, 2), text.size() == 1 ? L"1" : L"1|");
    }
    ParseRegisterAnswer(text);
    ParseBindAnswer(text);
  }
}
