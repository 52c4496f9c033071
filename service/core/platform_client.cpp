#include "platform_client.h"

#include <utility>

#include "platform_answers.h"
#include "platform_urls.h"
#include "sms_code.h"

namespace lookout {

PlatformClient::PlatformClient(PlatformTransport& transport, PlatformUi& ui, RendezvousSink& rendezvous,
                               const wchar_t* serverHost, std::function<int()> rand,
                               std::function<void()> seed)
    : m_transport(transport),
      m_ui(ui),
      m_rendezvous(rendezvous),
      m_serverHost(serverHost),
      m_rand(std::move(rand)),
      m_seed(std::move(seed)) {}

bool PlatformClient::GetRendezvousAddress(RendezvousCaller caller, std::wstring* checkText) {
  HttpAnswer answer = m_transport.Get(FormatUrl(url::kRendezvous, {m_serverHost}));
  if (answer.internetError) {
    if (caller == RendezvousCaller::StartupCheck) {
      if (checkText) *checkText = L"连接服务失败  ";
    } else if (!m_internetErrorShown) {
      m_internetErrorShown = true;
      Message(answer.text);
    }
    return false;
  }
  RendezvousAnswer parsed = ParseRendezvousAnswer(answer.text);
  if (parsed.hasAddress) {
    // An error page that still holds an address leaves it stored, as a failed request.
    m_rendezvousHost = parsed.address;
    m_rendezvousPort = parsed.port;
  }
  if (parsed.ok()) return true;
  if (caller == RendezvousCaller::StartupCheck) {
    if (checkText) *checkText = L"asp返回服务器信息有误! ";
  } else {
    Message(L"asp返回服务器信息有误！");
  }
  return false;
}

bool PlatformClient::ApplyServerAddress() {
  if (m_rendezvous.SetServerAddress(m_rendezvousHost, m_rendezvousPort) != 0) return true;
  Message(L"提示!!!!   设置服务器地址 [" + m_rendezvousHost + std::to_wstring(m_rendezvousPort) +
          L"] 失败！");
  return false;
}

bool PlatformClient::CheckNumber(const std::wstring& number) {
  if (number.empty()) {
    Message(L"手机号不能为空");
    return false;
  }
  if (number.size() <= 10) {
    Message(L"手机号格式不正确");
    return false;
  }
  return true;
}

void PlatformClient::CheckLogin(const std::wstring& number, const std::wstring& password) {
  if (!CheckNumber(number)) return;
  if (password.empty()) {
    Message(L"密码不能为空");
    return;
  }
  m_login.m_strUserName = number;
  m_login.m_strPassword = password;
  HttpAnswer answer = m_transport.Get(FormatUrl(url::kCheckLogin, {m_serverHost, number, password}));
  LoginAnswer parsed = ParseLoginAnswer(answer.text);
  if (!parsed.ok) {
    Message(L"用户名或密码错误, 请重试");
    return;
  }
  m_login.m_strUserID = parsed.userId;
  m_ui.ShowBindPage();
}

void PlatformClient::SendSmsCode(const std::wstring& number) {
  if (!CheckNumber(number)) return;
  if (m_seed) m_seed();
  m_code = MakeVerificationCode(m_rand);
  std::wstring message = PercentEncodeUtf8(SmsMessageText(m_code));
  HttpAnswer answer = m_transport.Get(FormatUrl(url::kSendSms, {m_serverHost, number, message}));
  if (answer.internetError || answer.text.empty() || answer.text[0] != L'1') return;
  Message(L"短信验证码已发送, 请注意查收手机短信, 输入验证码完成注册(60秒)");
  m_countdown = kCountdownSeconds;
  m_ui.StartCountdown();
}

void PlatformClient::OnCountdownTick() {
  if (m_countdown <= 0) return;
  --m_countdown;
  m_ui.DrawCountdown(std::to_wstring(m_countdown) + L"秒");
  if (m_countdown == 0) {
    m_ui.StopCountdown();
    m_code.clear();
  }
}

void PlatformClient::Register(const std::wstring& number, const std::wstring& code,
                              const std::wstring& password, const std::wstring& passwordAgain) {
  if (!CheckNumber(number)) return;
  if (code.empty()) {
    Message(L"验证码不能为空");
    return;
  }
  if (code != m_code) {
    Message(L"验证码错误, 请重新输入");
    return;
  }
  if (password.empty() || passwordAgain.empty()) {
    Message(L"密码不能为空");
    return;
  }
  if (password != passwordAgain) {
    Message(L"两次密码输入不一样");
    return;
  }
  HttpAnswer answer = m_transport.Get(FormatUrl(url::kRegister, {m_serverHost, number, password}));
  RegisterAnswer parsed = ParseRegisterAnswer(answer.text);
  if (!parsed.ok) {
    if (const wchar_t* text = RegisterErrorText(parsed.code)) Message(text);
    return;
  }
  m_login.m_strUserName = parsed.userName;
  m_login.m_strPassword = parsed.password;
  m_login.m_strUserID = parsed.userId;
  Message(L"注册成功");
  m_ui.ShowBindPage();
}

void PlatformClient::BindCamera(const std::wstring* selectedGuid) {
  if (selectedGuid == nullptr) {
    Message(L"未选定设备");
    return;
  }
  m_login.m_strCameraID = *selectedGuid;
  BindStoredCamera();
}

void PlatformClient::BindStoredCamera() {
  if (m_login.m_strCameraID.empty() || m_login.m_strUserName.empty() || m_login.m_strPassword.empty())
    return;
  HttpAnswer answer = m_transport.Get(FormatUrl(
      url::kBindCamera, {m_serverHost, m_login.m_strUserName, m_login.m_strPassword, m_login.m_strCameraID}));
  BindAnswer parsed = ParseBindAnswer(answer.text);
  if (parsed.ok) {
    bool wait = m_bindingRemoved;
    m_bindingRemoved = false;
    m_ui.ShowExperiencePage(wait);
    return;
  }
  if (parsed.code == 1083) {
    int reply = m_ui.ShowTimedMessage(
        L"澄望器ID已经被其他用户注册, 需要验证该用户的用户信息, 是否进行验证？",
        kStyleYesNoInfoSystemModal, kQuestionTime);
    if (reply == kAnswerYes && m_ui.RunCheckDialog()) {
      m_bindingRemoved = true;
      BindStoredCamera();
    }
    return;
  }
  if (const wchar_t* text = BindErrorText(parsed.code)) Message(text);
}

bool PlatformClient::RemoveBinding(const std::wstring& userName, const std::wstring& password) {
  if (userName.empty() || password.empty()) {
    Message(L"用户名或密码不能为空");
    return false;
  }
  if (m_login.m_strCameraID.empty()) {
    Message(L"未选择摄像头");
    return false;
  }
  HttpAnswer answer = m_transport.Get(
      FormatUrl(url::kRemoveBinding, {m_serverHost, userName, password, m_login.m_strCameraID}));
  int32_t r = DecimalValue(answer.text);
  if (r == -1 || r == -3) {
    Message(L"用户验证失败");
  } else if (r == -2) {
    Message(L"参数错误");
  }
  if (!ApplyServerAddress()) r = -4;
  return r == 1;
}

bool PlatformClient::OpenInBrowser(const std::wstring& url, bool quiet) {
  if (m_ui.RunProgram(BrowserCommandLine(url)) > 32) return true;
  if (!quiet) Message(L"打开主页失败！\n系统未安装浏览器，或未设置缺省的浏览器！！\n\n ");
  return false;
}

void PlatformClient::OpenHomePage() {
  if (m_serverHost[0] != L'\0') OpenInBrowser(FormatUrl(url::kHomePage, {m_serverHost}), false);
}

void PlatformClient::OpenForgottenPassword() {
  OpenInBrowser(FormatUrl(url::kForgottenPassword, {m_serverHost}), true);
}

void PlatformClient::OpenPlatformLogin() {
  const LoginInfo& l = m_login;
  if (l.m_strUserName.empty() || l.m_strPassword.empty() || l.m_strUserID.empty() || m_serverHost[0] == L'\0')
    return;
  OpenInBrowser(FormatUrl(url::kPlatformLogin, {m_serverHost, l.m_strUserName, l.m_strPassword,
                                                l.m_strUserID, l.m_strCameraID}),
                false);
}

}  // namespace lookout
