// The web platform as the program uses it: the rendezvous address, login, the SMS code,
// registration, binding a camera (with removal of another user's binding) and the pages
// opened in the browser. Requests, windows and the camera server are reached through the
// interfaces below, so the rules run the same under tests and in the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace lookout {

// The in-memory login state; never saved.
struct LoginInfo {
  void* m_pMainWnd = nullptr;
  std::wstring m_strUserID;
  std::wstring m_strUserName;  // the mobile number
  std::wstring m_strPassword;
  std::wstring m_strCameraID;  // GUID of the camera to bind
};

struct HttpAnswer {
  bool ok = false;             // at least one byte was read
  bool internetError = false;  // the internet library failed; `text` holds its message
  std::wstring text;
};

class PlatformTransport {
 public:
  virtual ~PlatformTransport() = default;
  virtual HttpAnswer Get(const std::wstring& url) = 0;
};

class PlatformUi {
 public:
  virtual ~PlatformUi() = default;
  // The timed message box; returns its result (6 yes, 7 no for the yes/no style).
  virtual int ShowTimedMessage(const std::wstring& text, unsigned style, int autoCloseMs) = 0;
  // Login or registration passed: refresh the bind page's device list and show the page.
  virtual void ShowBindPage() = 0;
  // Binding passed; `wait` when another user's binding was removed just before.
  virtual void ShowExperiencePage(bool wait) = 0;
  // The check dialog (user name and password of the binding's owner); true when it ended
  // with success (RemoveBinding returned true).
  virtual bool RunCheckDialog() = 0;
  // Registration page: start or stop the countdown timer (the number field and the get-code
  // button are disabled while it runs) and draw its text.
  virtual void StartCountdown() = 0;
  virtual void StopCountdown() = 0;
  virtual void DrawCountdown(const std::wstring& text) = 0;
  // The platform's execute-program call; a result of 32 or less is a failure.
  virtual uintptr_t RunProgram(const std::wstring& commandLine) = 0;
};

// Lantern's SetServerAddres; 0 is a failure.
class RendezvousSink {
 public:
  virtual ~RendezvousSink() = default;
  virtual int SetServerAddress(const std::wstring& host, int32_t port) = 0;
};

enum class RendezvousCaller {
  PublishingTimer,  // shows its messages
  StartupCheck,     // shows nothing, returns a text for the load page
};

constexpr unsigned kStyleYesNoInfoSystemModal = 0x1044;
constexpr int kMessageTime = 30000;
constexpr int kQuestionTime = 60000;
constexpr int kCountdownSeconds = 60;
constexpr int kAnswerYes = 6;

class PlatformClient {
 public:
  // `serverHost` is the settings field, read at each request. `seed` runs before each
  // verification code is made, `rand` gives its ten draws.
  PlatformClient(PlatformTransport& transport, PlatformUi& ui, RendezvousSink& rendezvous,
                 const wchar_t* serverHost, std::function<int()> rand, std::function<void()> seed = {});

  LoginInfo& Login() { return m_login; }

  // Fetches and stores the rendezvous address; false on any error (the address may still
  // be stored when the answer was an error page holding one). The start-up check gets its
  // result text in `checkText`.
  bool GetRendezvousAddress(RendezvousCaller caller, std::wstring* checkText = nullptr);
  const std::wstring& RendezvousHost() const { return m_rendezvousHost; }
  int32_t RendezvousPort() const { return m_rendezvousPort; }
  // Hands the stored address to the camera server; shows the failure.
  bool ApplyServerAddress();

  // Login page.
  void CheckLogin(const std::wstring& number, const std::wstring& password);
  // Registration page.
  void SendSmsCode(const std::wstring& number);
  void OnCountdownTick();
  const std::wstring& VerificationCode() const { return m_code; }
  int CountdownLeft() const { return m_countdown; }
  void Register(const std::wstring& number, const std::wstring& code, const std::wstring& password,
                const std::wstring& passwordAgain);
  // Bind page: `selectedGuid` is the second column of the selected row, null without one.
  void BindCamera(const std::wstring* selectedGuid);
  // Check dialog's OK: true when the dialog ends with success.
  bool RemoveBinding(const std::wstring& userName, const std::wstring& password);

  // Browser pages.
  void OpenHomePage();
  void OpenForgottenPassword();
  void OpenPlatformLogin();

 private:
  void Message(const std::wstring& text) { m_ui.ShowTimedMessage(text, 0, kMessageTime); }
  bool CheckNumber(const std::wstring& number);
  void BindStoredCamera();
  bool OpenInBrowser(const std::wstring& url, bool quiet);

  PlatformTransport& m_transport;
  PlatformUi& m_ui;
  RendezvousSink& m_rendezvous;
  const wchar_t* m_serverHost;
  std::function<int()> m_rand;
  std::function<void()> m_seed;
  LoginInfo m_login;
  std::wstring m_rendezvousHost;
  int32_t m_rendezvousPort = 0;
  bool m_internetErrorShown = false;
  std::wstring m_code;
  int m_countdown = 0;
  bool m_bindingRemoved = false;
};

}  // namespace lookout
