// CTrayWindow: the main window, run modally on the main thread. For now it reads the
// settings, starts the camera registry's LAN search and counts the capture devices; a close
// request asks the exit question, and a stop of the service ends it without asking.
#pragma once

#include <windows.h>

namespace lookout {

// Posted by the service's stop control.
constexpr UINT WM_SERVICE_STOP = WM_APP + 1;
// Rookery's camera-list notification (received and ignored).
constexpr UINT WM_CAMLIST_NOTIFY = 3482;
constexpr int kMainWindowWidth = 563;
constexpr int kMainWindowHeight = 426;

class CTrayWindow {
 public:
  // Runs the window; returns when the program is to end.
  INT_PTR DoModal();
  HWND GetSafeHwnd() const { return m_hWnd; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void OnSysCommand(UINT id);
  void OnAbout();
  // The exit question (when `ask`), then the steps of leaving; once only.
  void ExitProgram(bool ask);

  HWND m_hWnd = nullptr;
  BOOL m_bPublished = FALSE;
  bool m_bTrayIconAdded = false;
  HMENU m_hTrayMenu = nullptr;
  HDEVNOTIFY m_hDevNotify = nullptr;
};

}  // namespace lookout
