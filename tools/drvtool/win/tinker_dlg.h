// The tool's dialog: service fields, install/start/stop, the control-code buttons with
// their log, and the thread that waits on the driver's event.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "filter_device.h"
#include "system_win.h"

namespace drvtool {

// A log line for the list: lParam is the text; wParam nonzero when the receiver owns it
// (a heap copy posted from another thread).
constexpr UINT WM_TINKER_LOG = WM_USER + 1;

class CTinkerDlg {
 public:
  // installAtStart: the program's way, the install work runs at once and the dialog closes
  // itself. Without it the dialog stays open for its buttons.
  explicit CTinkerDlg(bool installAtStart = true);
  ~CTinkerDlg();
  CTinkerDlg(const CTinkerDlg&) = delete;
  CTinkerDlg& operator=(const CTinkerDlg&) = delete;

  // Runs the dialog; IDOK when the start-up install succeeded, IDCANCEL otherwise.
  INT_PTR DoModal(HWND parent = nullptr);
  // A modeless dialog, for a caller with its own message loop.
  HWND Create(HWND parent = nullptr);
  HWND hwnd() const { return hwnd_; }

  // Adds a line at the top of the log; from any thread.
  void Log(const std::wstring& line);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI MonitorThread(LPVOID self);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void OnInitDialog();
  void OnCommand(UINT id);
  bool OnInstall();
  void OnStart();
  void OnStop();
  void OnBrowse();
  void OnIoctl();
  void OnClose();
  void Finish(INT_PTR result);
  void RunMonitor();
  void DrainLog();
  std::wstring ServiceName();
  void Message(const std::wstring& text, UINT icon = MB_ICONERROR);

  bool installAtStart_;
  bool modal_ = false;
  HWND hwnd_ = nullptr;
  DWORD uiThread_ = 0;
  WinSystem sys_;
  CFilterDevice device_;
  HANDLE event_ = nullptr;
  bool eventRegistered_ = false;
  HANDLE monitor_ = nullptr;
  HANDLE stopMonitor_ = nullptr;
  std::atomic<bool> run_{false};
};

}  // namespace drvtool
