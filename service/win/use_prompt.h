// CUsePromptWnd: the camera-in-use prompt at the bottom right of the work area, and the
// camera-use watcher behind it. The filter driver tells which program opened the camera
// (the watcher thread waits for its event: ask mode) and which program uses it (the prompt's
// timer asks every second: inform mode).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "skin_dialog.h"
#include "use_watcher.h"

namespace lookout {

constexpr UINT WM_PROMPT_ASK = WM_APP + 30;
constexpr UINT WM_PROMPT_START = WM_APP + 31;

class CUsePromptWnd : public CSkinDialog {
 public:
  struct Host {
    HWND mainWindow = nullptr;
    // Another program uses the camera: the main window's load page shows `text`.
    std::function<void(const std::wstring& text)> showInUse;
  };
  explicit CUsePromptWnd(Host host);
  ~CUsePromptWnd() override;

  PromptMode Mode() const { return m_mode; }
  std::string LastName() const { return m_rules.LastName(); }
  bool WatcherRunning() const { return m_thread != nullptr; }
  // How often the driver was asked for the opener and for the user of the camera.
  int OpenerQueries() const { return m_openerQueries; }
  int UsingQueries() const { return m_usingQueries; }

 protected:
  void PrepareControls() override;
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void OnCommand(UINT id, UINT code, HWND control) override;

 private:
  // Opens the driver, names this program, hands over the event and starts the thread.
  void StartWatcher();
  void StopWatcher();
  static DWORD WINAPI WatcherThread(void* self);
  bool Query(DWORD code, std::string* name, DWORD* bytes);
  void SetMode(PromptMode mode);
  void ShowNoActivate();

  Host m_host;
  HANDLE m_hDriver = INVALID_HANDLE_VALUE;
  HANDLE m_hEvent = nullptr;
  HANDLE m_hStop = nullptr;
  HANDLE m_thread = nullptr;
  UsePromptRules m_rules;
  std::atomic<PromptMode> m_mode{PromptMode::Hidden};
  std::atomic<int> m_openerQueries{0}, m_usingQueries{0};
  BitmapHandle m_informBackground, m_askBackground, m_strip, m_lightStrip;
};

}  // namespace lookout
