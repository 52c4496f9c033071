// CServiceModule: the program's own service entry in the service control manager (install,
// uninstall, start, stop), the event-log line, the reported service state, and the
// connection to the service control dispatcher when the SCM starts the program.
#pragma once

#include <windows.h>

#include <atomic>

namespace lookout {

class CServiceModule {
 public:
  // Service flag 1, the name from string 100, the status record: own process, stopped,
  // accepting stop.
  void Init(HINSTANCE instance);
  const wchar_t* ServiceName() const { return m_szServiceName; }

  BOOL IsInstalled();
  BOOL Install();
  BOOL Uninstall();
  BOOL Start();
  BOOL Stop();

  // One information event (with the service flag), else a console line.
  void LogEvent(const wchar_t* format, ...);
  void SetStatus(DWORD state);

  // Application mode: connects to the dispatcher on a thread of its own. True when the SCM
  // started the program (the status handle is then set); false when a user did.
  bool ConnectDispatcher();
  // The application is done: report stopped and let the dispatcher return.
  void DisconnectDispatcher();

  // Where a stop control goes: `message` posted to `window` (0 to forget the window). A stop
  // that arrived earlier is posted at once.
  void SetStopTarget(HWND window, UINT message);
  // True for the first of the tray's exit and the stop control; the other then does nothing.
  bool BeginExit() { return !m_bExiting.exchange(true); }
  bool IsExiting() const { return m_bExiting; }
  // A new main window: no exit under way.
  void ResetExit() { m_bExiting = false; }

  BOOL m_bService = TRUE;
  DWORD m_dwThreadID = 0;

 private:
  // True while the SCM is starting this service in this process. Asking the dispatcher
  // instead can take seconds to fail when a user started the program.
  bool StartedByServiceManager();
  static DWORD WINAPI DispatcherThread(void* self);
  static void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);
  static DWORD WINAPI ControlHandler(DWORD control, DWORD type, void* data, void* self);
  void Report(DWORD state, DWORD waitHint);
  void ForwardStop();

  wchar_t m_szServiceName[256] = {};
  SERVICE_STATUS_HANDLE m_hServiceStatus = nullptr;
  SERVICE_STATUS m_status = {};
  HANDLE m_hConnected = nullptr;  // set when the dispatcher failed or the service began
  HANDLE m_hAppDone = nullptr;
  HANDLE m_hDispatcher = nullptr;
  std::atomic<bool> m_bExiting{false};
  std::atomic<bool> m_bStopRequested{false};
  std::atomic<HWND> m_hStopWindow{nullptr};
  std::atomic<UINT> m_uStopMessage{0};
};

extern CServiceModule g_Module;

}  // namespace lookout
