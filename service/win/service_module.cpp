#include "service_module.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "resource.h"
#include "win_text.h"

namespace lookout {

CServiceModule g_Module;

namespace {

constexpr DWORD kScmAccess = SC_MANAGER_ALL_ACCESS;        // 0xF003F
constexpr DWORD kStopAndDelete = SERVICE_STOP | DELETE;    // 0x10020
constexpr DWORD kConnectWaitMs = 10000;
constexpr DWORD kDispatcherEndWaitMs = 10000;

// Guards the status record shared by the main thread and the dispatcher's threads.
CRITICAL_SECTION g_statusLock;
struct StatusLockInit {
  StatusLockInit() { InitializeCriticalSection(&g_statusLock); }
} g_statusLockInit;

class ScHandle {
 public:
  explicit ScHandle(SC_HANDLE h) : m_h(h) {}
  ~ScHandle() {
    if (m_h != nullptr) CloseServiceHandle(m_h);
  }
  SC_HANDLE get() const { return m_h; }
  explicit operator bool() const { return m_h != nullptr; }

 private:
  SC_HANDLE m_h;
};

}  // namespace

void CServiceModule::Init(HINSTANCE instance) {
  m_bService = TRUE;
  if (LoadStringW(instance, IDS_SERVICENAME, m_szServiceName, 256) == 0) m_szServiceName[0] = L'\0';
  m_hServiceStatus = nullptr;
  m_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  m_status.dwCurrentState = SERVICE_STOPPED;
  m_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
  m_status.dwWin32ExitCode = 0;
  m_status.dwServiceSpecificExitCode = 0;
  m_status.dwCheckPoint = 0;
  m_status.dwWaitHint = 0;
}

BOOL CServiceModule::IsInstalled() {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, kScmAccess));
  if (!scm) return FALSE;
  ScHandle service(OpenServiceW(scm.get(), m_szServiceName, SERVICE_QUERY_CONFIG));
  return service ? TRUE : FALSE;
}

BOOL CServiceModule::Install() {
  if (IsInstalled()) return TRUE;
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, kScmAccess));
  if (!scm) {
    MessageBoxW(nullptr, L"Couldn't open service manager", m_szServiceName, MB_OK);
    return FALSE;
  }
  // Quoted: an unquoted path with blanks ("Program Files") lets Windows try C:\Program.exe
  // first, as LocalSystem. The command-line rule finds ".exe" either way.
  std::wstring path = L"\"" + ModulePath() + L"\"";
  ScHandle service(CreateServiceW(scm.get(), m_szServiceName, m_szServiceName, SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, L"RPCSS\0", nullptr,
                                  nullptr));
  if (!service) {
    MessageBoxW(nullptr, L"Couldn't create service", m_szServiceName, MB_OK);
    return FALSE;
  }
  return TRUE;
}

BOOL CServiceModule::Uninstall() {
  if (!IsInstalled()) return TRUE;
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, kScmAccess));
  if (!scm) {
    MessageBoxW(nullptr, L"Couldn't open service manager", m_szServiceName, MB_OK);
    return FALSE;
  }
  ScHandle service(OpenServiceW(scm.get(), m_szServiceName, kStopAndDelete));
  if (!service) {
    MessageBoxW(nullptr, L"Couldn't open service", m_szServiceName, MB_OK);
    return FALSE;
  }
  SERVICE_STATUS status;
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  if (!DeleteService(service.get())) {
    MessageBoxW(nullptr, L"Service could not be deleted", m_szServiceName, MB_OK);
    return FALSE;
  }
  return TRUE;
}

BOOL CServiceModule::Start() {
  if (!IsInstalled()) return FALSE;
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, kScmAccess));
  if (!scm) {
    MessageBoxW(nullptr, L"Couldn't open service manager", m_szServiceName, MB_OK);
    return FALSE;
  }
  ScHandle service(OpenServiceW(scm.get(), m_szServiceName, GENERIC_EXECUTE | SERVICE_START));
  if (!service) {
    MessageBoxW(nullptr, L"Couldn't open service", m_szServiceName, MB_OK);
    return FALSE;
  }
  StartServiceW(service.get(), 0, nullptr);  // opening it is what counts
  return TRUE;
}

BOOL CServiceModule::Stop() {
  if (!IsInstalled()) return TRUE;
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, kScmAccess));
  if (!scm) {
    MessageBoxW(nullptr, L"Couldn't open service manager", m_szServiceName, MB_OK);
    return FALSE;
  }
  ScHandle service(OpenServiceW(scm.get(), m_szServiceName, SERVICE_STOP));
  if (!service) {
    MessageBoxW(nullptr, L"Couldn't open service", m_szServiceName, MB_OK);
    return FALSE;
  }
  SERVICE_STATUS status;
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  return TRUE;
}

void CServiceModule::LogEvent(const wchar_t* format, ...) {
  wchar_t text[256];
  va_list args;
  va_start(args, format);
  _vsnwprintf(text, 255, format, args);
  va_end(args);
  text[255] = L'\0';
  if (m_bService) {
    HANDLE source = RegisterEventSourceW(nullptr, m_szServiceName);
    if (source != nullptr) {
      const wchar_t* strings[1] = {text};
      ReportEventW(source, EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
      DeregisterEventSource(source);
    }
  } else {
    std::fwprintf(stdout, L"%ls\n", text);
  }
}

void CServiceModule::SetStatus(DWORD state) { Report(state, 0); }

void CServiceModule::Report(DWORD state, DWORD waitHint) {
  EnterCriticalSection(&g_statusLock);
  m_status.dwCurrentState = state;
  m_status.dwWaitHint = waitHint;
  m_status.dwCheckPoint = (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING)
                              ? m_status.dwCheckPoint + 1
                              : 0;
  // A user-started program has no status handle: the state is only recorded.
  if (m_hServiceStatus != nullptr) SetServiceStatus(m_hServiceStatus, &m_status);
  LeaveCriticalSection(&g_statusLock);
}

bool CServiceModule::StartedByServiceManager() {
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!scm) return false;
  ScHandle service(OpenServiceW(scm.get(), m_szServiceName, SERVICE_QUERY_STATUS));
  if (!service) return false;
  SERVICE_STATUS_PROCESS status = {};
  DWORD need = 0;
  if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                            &need))
    return false;
  // The process id may not be recorded yet this early.
  return status.dwCurrentState == SERVICE_START_PENDING &&
         (status.dwProcessId == 0 || status.dwProcessId == GetCurrentProcessId());
}

bool CServiceModule::ConnectDispatcher() {
  if (!StartedByServiceManager()) return false;
  m_hConnected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hAppDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (m_hConnected == nullptr || m_hAppDone == nullptr) return false;
  m_hDispatcher = CreateThread(nullptr, 0, DispatcherThread, this, 0, nullptr);
  if (m_hDispatcher == nullptr) return false;
  // A user start fails at once (1063); an SCM start reaches ServiceMain.
  WaitForSingleObject(m_hConnected, kConnectWaitMs);
  return m_hServiceStatus != nullptr;
}

void CServiceModule::DisconnectDispatcher() {
  if (m_hAppDone != nullptr) SetEvent(m_hAppDone);
  if (m_hDispatcher != nullptr) {
    WaitForSingleObject(m_hDispatcher, kDispatcherEndWaitMs);
    CloseHandle(m_hDispatcher);
    m_hDispatcher = nullptr;
  }
}

DWORD WINAPI CServiceModule::DispatcherThread(void* self) {
  auto* module = static_cast<CServiceModule*>(self);
  SERVICE_TABLE_ENTRYW table[] = {{module->m_szServiceName, ServiceMain}, {nullptr, nullptr}};
  StartServiceCtrlDispatcherW(table);
  SetEvent(module->m_hConnected);
  return 0;
}

void WINAPI CServiceModule::ServiceMain(DWORD, LPWSTR*) {
  CServiceModule& module = g_Module;
  SERVICE_STATUS_HANDLE handle =
      RegisterServiceCtrlHandlerExW(module.m_szServiceName, ControlHandler, &module);
  if (handle == nullptr) {
    SetEvent(module.m_hConnected);
    return;
  }
  EnterCriticalSection(&g_statusLock);
  module.m_hServiceStatus = handle;
  LeaveCriticalSection(&g_statusLock);
  module.Report(SERVICE_START_PENDING, 30000);
  SetEvent(module.m_hConnected);
  WaitForSingleObject(module.m_hAppDone, INFINITE);
  module.Report(SERVICE_STOPPED, 0);
}

DWORD WINAPI CServiceModule::ControlHandler(DWORD control, DWORD, void*, void* self) {
  auto* module = static_cast<CServiceModule*>(self);
  switch (control) {
    case SERVICE_CONTROL_STOP:
      module->Report(SERVICE_STOP_PENDING, 30000);
      // The tray's exit sends this control itself once it has begun: nothing more to do.
      if (!module->m_bExiting) module->ForwardStop();
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      module->Report(module->m_status.dwCurrentState, module->m_status.dwWaitHint);
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void CServiceModule::ForwardStop() {
  m_bStopRequested = true;
  HWND window = m_hStopWindow;
  if (window != nullptr) PostMessageW(window, m_uStopMessage, 0, 0);
}

void CServiceModule::SetStopTarget(HWND window, UINT message) {
  m_uStopMessage = message;
  m_hStopWindow = window;
  // A stop that came before the window existed; the window ignores a second post.
  if (window != nullptr && m_bStopRequested) PostMessageW(window, message, 0, 0);
}

}  // namespace lookout
