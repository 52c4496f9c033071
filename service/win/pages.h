// The five pages of the main window (child dialogs over the whole 563 x 426 client area):
// start-up check, login, registration, camera binding and experience. Each reads its
// background and control rectangles from the page layout file "images/skin.ini".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gif_animation.h"
#include "page_flow.h"
#include "skin_dialog.h"

namespace lookout {

class PlatformClient;
struct ServiceSettings;

// What the pages ask of the main window.
class PageHost {
 public:
  virtual ~PageHost() = default;
  virtual PlatformClient& Platform() = 0;
  virtual const ServiceSettings& Settings() = 0;
  virtual void ShowPage(PageId page) = 0;
  virtual void HideMainWindow() = 0;
  // The start-up check passed: the publishing timer starts.
  virtual void StartPublishingTimer() = 0;
};

constexpr UINT WM_PAGE_CHECK_DONE = WM_APP + 20;  // wParam: the check's result bits
constexpr UINT_PTR kAnimationTimer = 2;
constexpr UINT kAnimationMs = 100;
constexpr UINT_PTR kCheckTimer = 3;
constexpr UINT kCheckDelayMs = 1000;
constexpr UINT_PTR kCountdownTimer = 100;
constexpr UINT_PTR kWaitTimer = 1;
constexpr UINT kSecondMs = 1000;

class CPage : public CSkinDialog {
 public:
  CPage(UINT templateId, PageHost& host, const wchar_t* layoutSection, const wchar_t* backgroundKey);

 protected:
  // Every button of a page is drawn by the page.
  void PrepareControls() override;
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;
  // The fields behind the edits.
  void OnPaint(HDC dc) override;
  // Moves a control to the rectangle of `key` in this page's layout section (kept where it
  // is when the key is missing).
  void Place(int id, const wchar_t* key);
  void SetPageBackground(const wchar_t* key);
  void MakeButton(int id, const wchar_t* text, bool primary);
  void MakeLinkLabel(int id, const wchar_t* text);
  // The version line at the bottom of the card.
  void ShowVersion(int id);

  PageHost& m_host;
  PageLayout m_layout;
  const wchar_t* m_section;
  const wchar_t* m_backgroundKey;
  BitmapHandle m_buttonStrip, m_lightButtonStrip, m_closeStrip;
  std::vector<RECT> m_wells;
};

// The start-up check with the "load1" animation, its result lines, and the camera-in-use
// message.
class CLoadPage : public CPage {
 public:
  explicit CLoadPage(PageHost& host);
  ~CLoadPage() override;
  // The check's result lines (empty while it runs or when it passed), or the message.
  std::wstring ResultText() const;
  void ShowMessage(const std::wstring& text);
  bool Animating() const { return m_animating; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnPaint(HDC dc) override;

 private:
  static DWORD WINAPI CheckThread(void* self);
  void StopAnimation();
  void ShowLines(const std::vector<std::wstring>& lines);

  CGifAnimation m_animation;
  RECT m_animationRect = {};
  bool m_animating = false;
  HANDLE m_thread = nullptr;
};

class CLoginPage : public CPage {
 public:
  explicit CLoginPage(PageHost& host);

 protected:
  BOOL OnInitDialog() override;
  void OnCommand(UINT id, UINT code, HWND control) override;
};

class CRegisterPage : public CPage {
 public:
  explicit CRegisterPage(PageHost& host);
  void StartCountdown();
  void StopCountdown();
  void DrawCountdown(const std::wstring& text);

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;
};

class CBindPage : public CPage {
 public:
  explicit CBindPage(PageHost& host);
  // One row per local camera: device key, GUID.
  void RefreshList();

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;

 private:
  void Bind();
  HIMAGELIST m_rowHeight = nullptr;
};

class CExperiencePage : public CPage {
 public:
  explicit CExperiencePage(PageHost& host);
  // `wait`: another user's binding was removed first; the link comes after 60 seconds.
  void Begin(bool wait);
  bool Waiting() const { return m_countdown.Running(); }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;
  void OnPaint(HDC dc) override;

 private:
  CGifAnimation m_animation;
  RECT m_animationRect = {};
  Countdown m_countdown;
};

}  // namespace lookout
