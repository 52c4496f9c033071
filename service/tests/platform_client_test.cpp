#include "platform_client.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

using namespace lookout;
using lookout::test::FakeRendezvous;
using lookout::test::FakeTransport;
using lookout::test::FakeUi;

namespace {

class PlatformClientTest : public ::testing::Test {
 protected:
  FakeTransport http;
  FakeUi ui;
  FakeRendezvous lantern;
  wchar_t host[261] = L"127.0.0.1:8080";
  int randValue = 3;  // the code "412035"
  PlatformClient client{http, ui, lantern, host, [this] { return randValue; }};

  std::vector<std::wstring> Texts() const { return ui.Texts(); }
  void LogIn() {
    http.Answer(L"1|13800000000|55");
    client.CheckLogin(L"13800000000", L"pw");
    http.answers.clear();
    http.urls.clear();
    ui.events.clear();
  }
};

}  // namespace

TEST_F(PlatformClientTest, RendezvousForTheTimer) {
  http.Answer(L"1.2.3.4:7000");
  EXPECT_TRUE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(http.urls.back(), L"http://127.0.0.1:8080/loadrunner.asp");
  EXPECT_EQ(client.RendezvousHost(), L"1.2.3.4");
  EXPECT_EQ(client.RendezvousPort(), 7000);
  EXPECT_TRUE(ui.messages.empty());

  http.answers.clear();
  http.Answer(L"1.2.3:7001");
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(client.RendezvousPort(), 7000);  // a rejected answer stores nothing
  http.answers.clear();
  http.Answer(L"<HTML>5.6.7.8:7002</HTML>");
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(client.RendezvousHost(), L"<HTML>5.6.7.8");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"asp返回服务器信息有误！", L"asp返回服务器信息有误！"}));
  EXPECT_EQ(ui.messages[0].style, 0u);
  EXPECT_EQ(ui.messages[0].time, 30000);

  // The internet library's text is shown the first time only.
  ui.messages.clear();
  http.answers.clear();
  http.Fail(L"The connection was reset");
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"The connection was reset"}));
}

TEST_F(PlatformClientTest, RendezvousForTheStartupCheck) {
  std::wstring text;
  http.Answer(L"10.0.0.1:9000 HTML");
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::StartupCheck, &text));
  EXPECT_EQ(text, L"asp返回服务器信息有误! ");
  EXPECT_EQ(client.RendezvousHost(), L"10.0.0.1");
  http.answers.clear();
  http.Fail(L"Cannot connect");
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::StartupCheck, &text));
  EXPECT_EQ(text, L"连接服务失败  ");
  EXPECT_TRUE(ui.messages.empty());

  // Applying the address: a refusal names address and port without a separator.
  lantern.result = 0;
  EXPECT_FALSE(client.ApplyServerAddress());
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"提示!!!!   设置服务器地址 [10.0.0.19000] 失败！"}));
}

TEST_F(PlatformClientTest, LoginValidatesInOrderAndReadsTheUserId) {
  client.CheckLogin(L"", L"");
  client.CheckLogin(L"1380000000", L"");
  client.CheckLogin(L"13800000000", L"");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"手机号不能为空", L"手机号格式不正确", L"密码不能为空"}));
  EXPECT_TRUE(http.urls.empty());

  for (const wchar_t* answer : {L"1|x|12345", L"1|12345"}) {
    http.answers.clear();
    http.Answer(answer);
    client.CheckLogin(L"13800000000", L"pw");
    EXPECT_EQ(client.Login().m_strUserID, L"12345") << answer;
  }
  EXPECT_EQ(http.urls.back(), L"http://127.0.0.1:8080/interface/chkUserPws.action?UserName=13800000000&Pws=pw");
  EXPECT_EQ(client.Login().m_strUserName, L"13800000000");
  EXPECT_EQ(client.Login().m_strPassword, L"pw");
  EXPECT_EQ(ui.events, (std::vector<std::wstring>{L"bind page", L"bind page"}));

  ui.messages.clear();
  for (const wchar_t* answer : {L"0|12345", L"2", L""}) {
    http.answers.clear();
    http.Answer(answer);
    client.CheckLogin(L"13800000000", L"bad");
  }
  http.answers.clear();
  http.Fail(L"Host not found");
  client.CheckLogin(L"13800000000", L"bad");
  EXPECT_EQ(Texts(), std::vector<std::wstring>(4, L"用户名或密码错误, 请重试"));
  EXPECT_EQ(ui.events.size(), 2u);
}

TEST_F(PlatformClientTest, SmsCodeAndCountdown) {
  client.SendSmsCode(L"");
  client.SendSmsCode(L"123");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"手机号不能为空", L"手机号格式不正确"}));
  EXPECT_TRUE(http.urls.empty());
  ui.messages.clear();

  http.Answer(L"1");
  client.SendSmsCode(L"13800000000");
  EXPECT_EQ(client.VerificationCode(), L"412035");
  ASSERT_EQ(http.urls.size(), 1u);
  const std::wstring head = L"http://127.0.0.1:8080/interface/sendSMSMsg.action?Mobile=13800000000&SendMsg=%E5";
  const std::wstring tail = L"%3A%20%E6%82%A8";  // ": 您"
  EXPECT_EQ(http.urls[0].rfind(head, 0), 0u);
  EXPECT_NE(http.urls[0].find(tail), std::wstring::npos);
  EXPECT_EQ(http.urls[0].size() - http.urls[0].rfind(L"412035"), 6u);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"短信验证码已发送, 请注意查收手机短信, 输入验证码完成注册(60秒)"}));
  EXPECT_EQ(ui.events, (std::vector<std::wstring>{L"countdown started"}));

  for (int i = 0; i < 59; ++i) client.OnCountdownTick();
  EXPECT_EQ(ui.events.back(), L"1秒");
  EXPECT_EQ(client.VerificationCode(), L"412035");
  client.OnCountdownTick();
  EXPECT_EQ(ui.events[1], L"59秒");
  EXPECT_EQ(ui.events[ui.events.size() - 2], L"0秒");
  EXPECT_EQ(ui.events.back(), L"countdown stopped");
  EXPECT_EQ(client.VerificationCode(), L"");
  size_t events = ui.events.size();
  client.OnCountdownTick();
  EXPECT_EQ(ui.events.size(), events);

  // Any other answer shows nothing and starts no countdown.
  ui.messages.clear();
  ui.events.clear();
  http.answers.clear();
  http.Answer(L"0|failed");
  client.SendSmsCode(L"13800000000");
  http.answers.clear();
  http.Fail(L"1 reset");  // an internet error is no "1", whatever its text
  client.SendSmsCode(L"13800000000");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(PlatformClientTest, RegistrationValidatesAndIsRefusedWithoutALiveCode) {
  client.Register(L"", L"", L"", L"");
  client.Register(L"1380000000", L"1", L"a", L"a");
  client.Register(L"13800000000", L"", L"a", L"a");
  client.Register(L"13800000000", L"412035", L"a", L"a");  // before any SMS
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"手机号不能为空", L"手机号格式不正确", L"验证码不能为空",
                                                L"验证码错误, 请重新输入"}));
  EXPECT_TRUE(http.urls.empty());

  http.Answer(L"1");
  client.SendSmsCode(L"13800000000");
  ui.messages.clear();
  client.Register(L"13800000000", L"412036", L"a", L"a");
  client.Register(L"13800000000", L"412035", L"", L"a");
  client.Register(L"13800000000", L"412035", L"a", L"");
  client.Register(L"13800000000", L"412035", L"a", L"b");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"验证码错误, 请重新输入", L"密码不能为空", L"密码不能为空",
                                                L"两次密码输入不一样"}));
  EXPECT_EQ(http.urls.size(), 1u);

  ui.messages.clear();
  http.answers.clear();
  http.Answer(L"1|13800000000|secret|x|901");
  client.Register(L"13800000000", L"412035", L"secret", L"secret");
  EXPECT_EQ(http.urls.back(), L"http://127.0.0.1:8080/interface/IvrReg.asp?Mobile=13800000000&RndCode=123&vcam=1&pwd=secret");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"注册成功"}));
  EXPECT_EQ(client.Login().m_strUserID, L"901");
  EXPECT_EQ(client.Login().m_strPassword, L"secret");
  EXPECT_EQ(ui.events.back(), L"bind page");

  // A code without a message and a failure show nothing (every listed code: the Wine test).
  ui.messages.clear();
  for (const wchar_t* answer : {L"0|999", L"0"}) {
    http.answers.clear();
    http.Answer(answer);
    client.Register(L"13800000000", L"412035", L"s", L"s");
  }
  EXPECT_TRUE(ui.messages.empty());

  // After the countdown the code is gone.
  for (int i = 0; i < 60; ++i) client.OnCountdownTick();
  ui.messages.clear();
  client.Register(L"13800000000", L"412035", L"s", L"s");
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"验证码错误, 请重新输入"}));
}

TEST_F(PlatformClientTest, BindingAndItsErrorCodes) {
  client.BindCamera(nullptr);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"未选定设备"}));
  std::wstring guid = L"kvvid046dpid0825446";
  client.BindCamera(&guid);  // not logged in: nothing is sent
  EXPECT_TRUE(http.urls.empty());
  EXPECT_EQ(client.Login().m_strCameraID, guid);

  LogIn();
  ui.messages.clear();
  http.Answer(L"1");
  client.BindCamera(&guid);
  EXPECT_EQ(http.urls.back(),
            L"http://127.0.0.1:8080/interface/IvrCameraBind.asp?UserName=13800000000&Password=pw&CameraID="
            L"kvvid046dpid0825446&RndCode=123&vcam=1");
  EXPECT_EQ(ui.events, (std::vector<std::wstring>{L"experience page"}));

  ui.messages.clear();
  for (const wchar_t* answer : {L"0|107", L"0|5", L"nonsense"}) {
    http.answers.clear();
    http.Answer(answer);
    client.BindCamera(&guid);
  }
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"密码错误"}));  // every listed code: the Wine test
}

TEST_F(PlatformClientTest, TakenCameraAskedRemovedAndBoundAgain) {
  LogIn();
  std::wstring guid = L"kvcam";
  // Answered no (or closed by its timer): nothing more.
  ui.reply = 7;
  http.Answer(L"0|1083");
  client.BindCamera(&guid);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, L"澄望器ID已经被其他用户注册, 需要验证该用户的用户信息, 是否进行验证？");
  EXPECT_EQ(ui.messages[0].style, 0x1044u);
  EXPECT_EQ(ui.messages[0].time, 60000);
  EXPECT_TRUE(ui.events.empty());

  // Yes, the check dialog succeeds, and the second bind passes after a wait.
  ui.reply = 6;
  ui.messages.clear();
  http.answers.clear();
  http.urls.clear();
  http.Answer(L"0|1083");
  http.Answer(L"1");
  http.Answer(L"1");
  ui.checkDialog = [&] { return client.RemoveBinding(L"owner", L"ownerpw"); };
  client.BindCamera(&guid);
  ASSERT_EQ(http.urls.size(), 3u);
  EXPECT_EQ(http.urls[1],
            L"http://127.0.0.1:8080/interface/delCameraBind.action?UserName=owner&Password=ownerpw&CameraID=kvcam"
            L"&RndCode=123&vcam=1");
  EXPECT_EQ(ui.events, (std::vector<std::wstring>{L"check dialog", L"experience page, waiting"}));
  // The next successful binding does not wait.
  http.answers.clear();
  http.Answer(L"1");
  client.BindCamera(&guid);
  EXPECT_EQ(ui.events.back(), L"experience page");

  // Yes, but the check dialog is cancelled: no second bind.
  ui.events.clear();
  http.answers.clear();
  http.urls.clear();
  http.Answer(L"0|1083");
  ui.checkDialog = [] { return false; };
  client.BindCamera(&guid);
  EXPECT_EQ(http.urls.size(), 1u);
  EXPECT_EQ(ui.events, (std::vector<std::wstring>{L"check dialog"}));
}

TEST_F(PlatformClientTest, RemoveBindingAnswers) {
  EXPECT_FALSE(client.RemoveBinding(L"", L"p"));
  EXPECT_FALSE(client.RemoveBinding(L"u", L""));
  EXPECT_FALSE(client.RemoveBinding(L"u", L"p"));  // no camera chosen
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"用户名或密码不能为空", L"用户名或密码不能为空", L"未选择摄像头"}));
  EXPECT_TRUE(http.urls.empty());
  EXPECT_TRUE(lantern.calls.empty());

  std::wstring guid = L"kvcam";
  client.BindCamera(&guid);
  ui.messages.clear();
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"-1", L"用户验证失败"}, {L"-3", L"用户验证失败"}, {L"-2", L"参数错误"}, {L"0", nullptr}, {L"-4", nullptr}};
  for (auto [answer, text] : cases) {
    ui.messages.clear();
    http.answers.clear();
    http.Answer(answer);
    EXPECT_FALSE(client.RemoveBinding(L"u", L"p")) << answer;
    EXPECT_EQ(Texts(), text ? std::vector<std::wstring>{text} : std::vector<std::wstring>{}) << answer;
  }
  EXPECT_EQ(lantern.calls.size(), 5u);

  http.answers.clear();
  http.Answer(L"1");
  EXPECT_TRUE(client.RemoveBinding(L"u", L"p"));
  // The camera server refusing the address turns success into failure.
  lantern.result = 0;
  ui.messages.clear();
  EXPECT_FALSE(client.RemoveBinding(L"u", L"p"));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"提示!!!!   设置服务器地址 [0] 失败！"}));
}

TEST_F(PlatformClientTest, BrowserPages) {
  client.OpenHomePage();
  EXPECT_EQ(ui.programs, (std::vector<std::wstring>{L"explorer \"http://127.0.0.1:8080\""}));
  client.OpenPlatformLogin();  // not logged in
  EXPECT_EQ(ui.programs.size(), 1u);
  LogIn();
  client.OpenPlatformLogin();
  EXPECT_EQ(ui.programs.back(),
            L"explorer \"http://127.0.0.1:8080/login.asp?username=13800000000&password=pw&uid=55&CameraID=&vcam=1\"");

  ui.programResult = 32;
  client.OpenForgottenPassword();
  EXPECT_EQ(ui.programs.back(), L"explorer \"http://127.0.0.1:8080//user/findpwd.action\"");
  EXPECT_TRUE(ui.messages.empty());
  client.OpenHomePage();
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"打开主页失败！\n系统未安装浏览器，或未设置缺省的浏览器！！\n\n "}));
  host[0] = L'\0';
  size_t runs = ui.programs.size();
  client.OpenHomePage();
  client.OpenPlatformLogin();
  EXPECT_EQ(ui.programs.size(), runs);
}
