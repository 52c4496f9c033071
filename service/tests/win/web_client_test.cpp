// The platform client over WinINet against the stand-in web platform on loopback.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>

#include "fake_platform.h"
#include "platform_client.h"
#include "web_server.h"
#include "web_transport.h"

using namespace lookout;
using lookout::test::FakeRendezvous;
using lookout::test::FakeUi;
using standins::web::PlatformStore;
using standins::web::ServeMode;
using standins::web::WebPlatformServer;

namespace {

class WebClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    std::string hostText = server.HostText();
    std::wstring wide(hostText.begin(), hostText.end());
    wcscpy(host, wide.c_str());
    server.WithStore([](PlatformStore& s) { s.AddUser("13800000000", "secret"); });
  }
  void Store(const std::function<void(PlatformStore&)>& f) { server.WithStore(f); }
  std::vector<std::wstring> Texts() const { return ui.Texts(); }

  WebPlatformServer server;
  WinInetTransport http;
  FakeUi ui;
  FakeRendezvous lantern;
  wchar_t host[261] = {};
  PlatformClient client{http, ui, lantern, host, [] { return std::rand(); },
                        [] { std::srand(static_cast<unsigned>(std::time(nullptr))); }};
};

}  // namespace

TEST_F(WebClientTest, RendezvousAnswersThroughWinInet) {
  Store([](PlatformStore& s) { s.rendezvous = "1.2.3.4:7000"; });
  EXPECT_TRUE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(client.RendezvousHost(), L"1.2.3.4");
  EXPECT_EQ(client.RendezvousPort(), 7000);
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"/loadrunner.asp"});
  EXPECT_TRUE(ui.messages.empty());

  Store([](PlatformStore& s) { s.rendezvous = "1.2.3:7001"; });
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(client.RendezvousPort(), 7000);
  EXPECT_EQ(Texts(), std::vector<std::wstring>{L"asp返回服务器信息有误！"});

  // An error page holding a valid address is still an error.
  ui.messages.clear();
  Store([](PlatformStore& s) { s.rendezvous = "5.6.7.8:7002 <HTML>"; });
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(client.RendezvousHost(), L"5.6.7.8");
  EXPECT_EQ(Texts(), std::vector<std::wstring>{L"asp返回服务器信息有误！"});
  std::wstring check;
  server.SetMode(ServeMode::ErrorPage);
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::StartupCheck, &check));
  EXPECT_EQ(check, L"asp返回服务器信息有误! ");
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(WebClientTest, InternetErrorTextShownOnlyTheFirstTime) {
  // Nothing listening: the internet library's own failure, with its own text.
  server.Stop();
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::wstring first = ui.messages[0].text;
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first.find(L"asp"), std::wstring::npos);
  HttpAnswer refused = http.Get(L"http://" + std::wstring(host) + L"/loadrunner.asp");
  EXPECT_TRUE(refused.internetError);
  EXPECT_EQ(refused.text, first);
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  EXPECT_EQ(ui.messages.size(), 1u);
  // The start-up check has its own text for it, every time.
  std::wstring check;
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::StartupCheck, &check));
  EXPECT_EQ(check, L"连接服务失败  ");
}

TEST_F(WebClientTest, DroppedConnectionFailsTheRequest) {
  // Wine's library reports a reset connection either as its failure or as an empty answer:
  // both fail the request.
  server.SetMode(ServeMode::Drop);
  std::wstring check;
  EXPECT_FALSE(client.GetRendezvousAddress(RendezvousCaller::StartupCheck, &check));
  EXPECT_TRUE(check == L"连接服务失败  " || check == L"asp返回服务器信息有误! ");
  EXPECT_GE(server.Requests().size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WebClientTest, AnswersAreCutAt10240Bytes) {
  Store([](PlatformStore& s) { s.forced["/interface/chkUserPws.action"] = "1|x|" + std::string(20000, '7'); });
  HttpAnswer a = http.Get(L"http://" + std::wstring(host) + L"/interface/chkUserPws.action?UserName=a&Pws=b");
  EXPECT_TRUE(a.ok);
  EXPECT_LE(a.text.size(), 10240u);
  EXPECT_EQ(a.text.substr(0, 6), L"1|x|77");
}

TEST_F(WebClientTest, LoginAgainstTheStore) {
  client.CheckLogin(L"13800000000", L"secret");
  EXPECT_EQ(client.Login().m_strUserID, L"1001");
  EXPECT_EQ(ui.events, std::vector<std::wstring>{L"bind page"});
  client.CheckLogin(L"13800000000", L"wrong");
  client.CheckLogin(L"13900000000", L"secret");
  EXPECT_EQ(Texts(), std::vector<std::wstring>(2, L"用户名或密码错误, 请重试"));
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"/interface/chkUserPws.action?UserName=13800000000&Pws=secret",
                                      "/interface/chkUserPws.action?UserName=13800000000&Pws=wrong",
                                      "/interface/chkUserPws.action?UserName=13900000000&Pws=secret"}));
  // Validation failures send nothing.
  client.CheckLogin(L"1390000000", L"secret");
  EXPECT_EQ(ui.messages.back().text, L"手机号格式不正确");
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(WebClientTest, SmsCodeRegistrationAndItsErrorCodes) {
  // Refused before any SMS.
  client.Register(L"13900000000", L"123456", L"pw", L"pw");
  EXPECT_EQ(Texts(), std::vector<std::wstring>{L"验证码错误, 请重新输入"});
  EXPECT_TRUE(server.Requests().empty());

  client.SendSmsCode(L"13900000000");
  const std::wstring code = client.VerificationCode();
  ASSERT_EQ(code.size(), 6u);
  EXPECT_EQ(std::set<wchar_t>(code.begin(), code.end()).size(), 6u);
  for (wchar_t c : code) EXPECT_TRUE(c >= L'0' && c <= L'9');
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string target = server.Requests()[0];
  // Three groups per Chinese character; the colon and the blank are encoded too.
  EXPECT_EQ(target.rfind("/interface/sendSMSMsg.action?Mobile=13900000000&SendMsg=%E5%B0%8A%E6%95%AC%E7%9A%84"
                         "%E5%AE%A2%E6%88%B7%3A%20%E6%82%A8",
                         0),
            0u)
      << target;
  std::string narrow(code.begin(), code.end());
  std::string sent;
  Store([&](PlatformStore& s) {
    ASSERT_EQ(s.sms.size(), 1u);
    sent = s.sms[0].message;
  });
  EXPECT_EQ(sent, "\xE5\xB0\x8A\xE6\x95\xAC\xE7\x9A\x84\xE5\xAE\xA2\xE6\x88\xB7: "
                  "\xE6\x82\xA8\xE6\x9C\xAC\xE6\xAC\xA1\xE5\x9C\xA8\xE6\xB3\xA8\xE5\x86\x8C\xE8\x99\x9A\xE6\x8B\x9F"
                  "\xE8\xAD\xA6\xE7\xA4\xBA\xE5\x99\xA8\xE5\xB8\x90\xE5\x8F\xB7\xE7\x9A\x84\xE9\x9A\x8F\xE6\x9C\xBA"
                  "\xE9\xAA\x8C\xE8\xAF\x81\xE7\xA0\x81\xE4\xB8\xBA" + narrow);
  EXPECT_EQ(ui.messages.back().text, L"短信验证码已发送, 请注意查收手机短信, 输入验证码完成注册(60秒)");
  EXPECT_EQ(ui.events, std::vector<std::wstring>{L"countdown started"});

  client.Register(L"13900000000", code, L"pw", L"pw");
  EXPECT_EQ(ui.messages.back().text, L"注册成功");
  EXPECT_EQ(client.Login().m_strUserName, L"13900000000");
  EXPECT_EQ(client.Login().m_strPassword, L"pw");
  EXPECT_EQ(client.Login().m_strUserID, L"1002");
  EXPECT_EQ(server.Requests().back(), "/interface/IvrReg.asp?Mobile=13900000000&RndCode=123&vcam=1&pwd=pw");

  // The platform's codes: one from its own rules, the rest forced.
  ui.messages.clear();
  client.Register(L"13900000000", code, L"pw", L"pw");
  for (const char* forced : {"0|101", "0|102", "0|104", "0|1041", "0|1042", "0|1082", "0|1083", "0|1086"}) {
    Store([&](PlatformStore& s) { s.forced["/interface/IvrReg.asp"] = forced; });
    client.Register(L"13900000000", code, L"pw", L"pw");
  }
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"手机号已注册", L"手机必须输入", L"手机号格式不正确", L"用户创建失败",
                                                L"用户名已存在", L"无效用户", L"警示器不存在", L"澄望器ID已经被注册",
                                                L"该端口被某个警示器使用着"}));

  // After the countdown the code is refused and nothing is sent.
  for (int i = 0; i < 60; ++i) client.OnCountdownTick();
  size_t sent_before = server.Requests().size();
  ui.messages.clear();
  client.Register(L"13900000000", code, L"pw", L"pw");
  EXPECT_EQ(Texts(), std::vector<std::wstring>{L"验证码错误, 请重新输入"});
  EXPECT_EQ(server.Requests().size(), sent_before);
}

TEST_F(WebClientTest, BindingAndRemovingAnotherUsersBinding) {
  Store([](PlatformStore& s) {
    s.AddUser("13700000000", "ownerpw");
    s.bindings["kvcam1"] = "13700000000";
    s.rendezvous = "1.2.3.4:7000";
  });
  ASSERT_TRUE(client.GetRendezvousAddress(RendezvousCaller::PublishingTimer));
  client.CheckLogin(L"13800000000", L"secret");
  server.ClearRequests();

  // The owner's check: a wrong password first, then the right one.
  ui.reply = IDYES;
  int dialogs = 0;
  ui.checkDialog = [&] {
    ++dialogs;
    return client.RemoveBinding(L"13700000000", dialogs == 1 ? L"bad" : L"ownerpw");
  };
  std::wstring guid = L"kvcam1";
  client.BindCamera(&guid);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{
                         L"澄望器ID已经被其他用户注册, 需要验证该用户的用户信息, 是否进行验证？", L"用户验证失败"}));
  EXPECT_EQ(ui.messages[0].style, 0x1044u);
  EXPECT_EQ(ui.messages[0].time, 60000);
  client.BindCamera(&guid);
  EXPECT_EQ(ui.events.back(), L"experience page, waiting");
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{
                "/interface/IvrCameraBind.asp?UserName=13800000000&Password=secret&CameraID=kvcam1&RndCode=123&vcam=1",
                "/interface/delCameraBind.action?UserName=13700000000&Password=bad&CameraID=kvcam1&RndCode=123&vcam=1",
                "/interface/IvrCameraBind.asp?UserName=13800000000&Password=secret&CameraID=kvcam1&RndCode=123&vcam=1",
                "/interface/delCameraBind.action?UserName=13700000000&Password=ownerpw&CameraID=kvcam1&RndCode=123&vcam=1",
                "/interface/IvrCameraBind.asp?UserName=13800000000&Password=secret&CameraID=kvcam1&RndCode=123&vcam=1"}));
  std::string owner;
  Store([&](PlatformStore& s) { owner = s.bindings["kvcam1"]; });
  EXPECT_EQ(owner, "13800000000");
  // The stored rendezvous address went to the camera server with each removal.
  EXPECT_EQ(lantern.calls, (std::vector<std::pair<std::wstring, int32_t>>(2, {L"1.2.3.4", 7000})));

  // Every error code of binding.
  ui.messages.clear();
  for (const char* forced : {"0|106", "0|107", "0|112", "0|1081", "0|1082", "0|1084", "0|1086"}) {
    Store([&](PlatformStore& s) { s.forced["/interface/IvrCameraBind.asp"] = forced; });
    client.BindCamera(&guid);
  }
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"用户名或密码必须输入", L"密码错误", L"用户不存在", L"警示器不能为空",
                                                L"警示器不存在", L"警示器绑定出错", L"该端口被某个警示器使用着"}));
}
