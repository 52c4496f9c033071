// Which of the main window's five pages is shown, and the texts the pages compute: the load
// page's start-up check result, the countdowns of the registration and experience pages,
// the version line.
#pragma once

#include <string>
#include <vector>

namespace lookout {

// The page index of each page; the load page is shown over the others and keeps the index.
enum class PageId { Load = 0, Login = 1, Register = 2, Bind = 4, Experience = 5 };

class PageFlow {
 public:
  PageId Shown() const { return m_shown; }
  // 1 login, 2 registration, 4 bind, 5 experience; 0 before any of them was shown.
  int PageIndex() const { return m_index; }

  void Show(PageId page);
  // The start-up check passed: the login page.
  PageId OnCheckPassed() { return Go(PageId::Login); }
  PageId OnRegisterLink() { return Go(PageId::Register); }
  PageId OnLoginLink() { return Go(PageId::Login); }
  // Login or registration passed.
  PageId OnSignedIn() { return Go(PageId::Bind); }
  PageId OnBound() { return Go(PageId::Experience); }
  // Another program uses the camera: the load page, over whatever page was shown.
  PageId OnCameraInUse() { return Go(PageId::Load); }

 private:
  PageId Go(PageId page) {
    Show(page);
    return page;
  }
  PageId m_shown = PageId::Load;
  int m_index = 0;
};

// The load page's start-up check.
constexpr int kCheckServerFailed = 1;  // the rendezvous fetch reported an error text
constexpr int kCheckNoCamera = 2;      // no capture device
int StartupCheckBits(bool fetchFailed, int lastInline);
// "检测结果:" and one line per bit; empty when the check passed.
std::vector<std::wstring> StartupCheckLines(int bits);
constexpr unsigned kCheckTextColor = 0xFF1E65CD;  // 0xAARRGGBB
constexpr int kCheckLineSpacing = 20;

// "关闭该程序, 然后再启动警示器 使用程序: %s"
std::wstring CameraInUseText(const std::wstring& program);
// "当前版本: %s"
std::wstring VersionText(const std::wstring& version);

// A countdown of whole seconds from 60, one tick a second.
class Countdown {
 public:
  explicit Countdown(int seconds = 60) : m_start(seconds) {}
  void Start() { m_left = m_start; }
  // False once it reached 0 (and on every later tick).
  bool Tick();
  bool Running() const { return m_left > 0; }
  int Left() const { return m_left; }

 private:
  int m_start;
  int m_left = 0;
};
// "%d秒" and "倒计时: %d秒".
std::wstring SecondsText(int seconds);
std::wstring WaitText(int seconds);

}  // namespace lookout
