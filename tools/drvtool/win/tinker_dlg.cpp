#include "tinker_dlg.h"

#include <commdlg.h>
#include <windowsx.h>

#include "KvUsbCameraFilterIoctl.h"
#include "about_dlg.h"
#include "command_line.h"
#include "command_run.h"
#include "driver_installer.h"
#include "resource.h"

namespace drvtool {

namespace {

const wchar_t* const kStartTypes[] = {L"SERVICE_BOOT_START", L"SERVICE_SYSTEM_START", L"SERVICE_AUTO_START",
                                      L"SERVICE_DEMAND_START", L"SERVICE_DISABLED"};
struct ServiceTypeItem {
  const wchar_t* text;
  DWORD value;
};
const ServiceTypeItem kServiceTypes[] = {
    {L"SERVICE_KERNEL_DRIVER", 1},        {L"SERVICE_FILE_SYSTEM_DRIVER", 2},
    {L"SERVICE_RECOGNIZER_DRIVER", 8},    {L"SERVICE_WIN32_OWN_PROCESS", 16},
    {L"SERVICE_WIN32_SHARE_PROCESS", 32}, {L"SERVICE_INTERACTIVE_PROCESS", 256},
};
// In the order of the code list.
const wchar_t* const kCodes[] = {L"IOCTL_GET_USING_APPNAME", L"IOCTL_SET_MY_APPNAME", L"IOCTL_SET_EVENT_USBOPEN"};

std::wstring Num(DWORD v) { return std::to_wstring(static_cast<int>(v)); }

// Names from the driver are 8-bit text in the system code page.
std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

}  // namespace

CTinkerDlg::CTinkerDlg(bool installAtStart) : installAtStart_(installAtStart) {
  stopMonitor_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CTinkerDlg::~CTinkerDlg() {
  if (hwnd_) DestroyWindow(hwnd_);
  CloseHandle(stopMonitor_);
}

INT_PTR CTinkerDlg::DoModal(HWND parent) {
  modal_ = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TINKER_DIALOG), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND CTinkerDlg::Create(HWND parent) {
  modal_ = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TINKER_DIALOG), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CTinkerDlg::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CTinkerDlg* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CTinkerDlg*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<CTinkerDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  return self ? self->OnMessage(msg, wParam, lParam) : FALSE;
}

INT_PTR CTinkerDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox(hwnd_);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      Finish(IDCANCEL);
      return TRUE;
    case WM_TINKER_LOG: {
      const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
      SendDlgItemMessageW(hwnd_, IDC_LOG, LB_INSERTSTRING, 0, lParam);
      if (wParam) delete[] text;
      return TRUE;
    }
    case WM_DESTROY:
      DrainLog();
      SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void CTinkerDlg::OnInitDialog() {
  uiThread_ = GetCurrentThreadId();
  sys_.SetOwner(hwnd_);
  if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) {
    wchar_t about[64] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SendDlgItemMessageW(hwnd_, IDC_SERVICE_NAME, EM_LIMITTEXT, kMaxServiceName, 0);
  SendDlgItemMessageW(hwnd_, IDC_DRIVER_FILE, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SetDlgItemTextW(hwnd_, IDC_DRIVER_FILE, L"C:\\drv\\KvUsbCameraFilter.sys");
  SetDlgItemTextW(hwnd_, IDC_SERVICE_NAME, KV_FILTER_SERVICE_NAME_W);
  HWND start = GetDlgItem(hwnd_, IDC_START_TYPE);
  for (const wchar_t* t : kStartTypes) ComboBox_AddString(start, t);
  ComboBox_SetCurSel(start, 0);
  HWND type = GetDlgItem(hwnd_, IDC_SERVICE_TYPE);
  for (const ServiceTypeItem& t : kServiceTypes) ComboBox_AddString(type, t.text);
  ComboBox_SetCurSel(type, 0);
  HWND codes = GetDlgItem(hwnd_, IDC_IOCTL_CODE);
  for (const wchar_t* c : kCodes) ComboBox_AddString(codes, c);
  ComboBox_SetCurSel(codes, 0);

  if (installAtStart_) Finish(OnInstall() ? IDOK : IDCANCEL);
}

void CTinkerDlg::OnCommand(UINT id) {
  switch (id) {
    case IDC_INSTALL:
      OnInstall();
      break;
    case IDC_START:
      OnStart();
      break;
    case IDC_STOP:
      OnStop();
      break;
    case IDC_BROWSE:
      OnBrowse();
      break;
    case IDC_IOCTRL:
      OnIoctl();
      break;
    case IDC_HELP_TEXT:
      ShowUsage(sys_, true);
      break;
    case IDC_EXIT:
    case IDCANCEL:
      Finish(IDCANCEL);
      break;
    default:
      break;
  }
}

std::wstring CTinkerDlg::ServiceName() {
  wchar_t name[kMaxServiceName + 2] = {};
  GetDlgItemTextW(hwnd_, IDC_SERVICE_NAME, name, static_cast<int>(kMaxServiceName + 2));
  return name;
}

void CTinkerDlg::Message(const std::wstring& text, UINT icon) {
  MessageBoxW(hwnd_, text.c_str(), L"Tinker", MB_OK | icon);
}

bool CTinkerDlg::OnInstall() {
  int startType = ComboBox_GetCurSel(GetDlgItem(hwnd_, IDC_START_TYPE));
  int typeIndex = ComboBox_GetCurSel(GetDlgItem(hwnd_, IDC_SERVICE_TYPE));
  if (startType < 0) startType = 0;
  if (typeIndex < 0) typeIndex = 0;
  DriverInstaller installer(sys_);
  return installer.InstallFromFolder(ProgramFolder(), static_cast<uint32_t>(startType),
                                     kServiceTypes[typeIndex].value, ServiceName());
}

void CTinkerDlg::OnStart() {
  DriverInstaller installer(sys_);
  installer.Start(ServiceName());
}

void CTinkerDlg::OnStop() {
  std::wstring name = ServiceName();
  if (name.empty()) {
    Message(L"Please Input ServiceName!", MB_ICONWARNING);
    return;
  }
  device_.Close();
  eventRegistered_ = false;  // the driver lets go of the event with the handle
  DriverInstaller installer(sys_);
  if (installer.Stop(name))
    Message(L"Service [" + name + L"] stop success!", MB_ICONINFORMATION);
  else
    Message(L"停止服务失败！");
}

void CTinkerDlg::OnBrowse() {
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd_;
  ofn.lpstrFilter = L"NT Drivers(.sys)\0*.sys\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"sys";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return;
  SetDlgItemTextW(hwnd_, IDC_DRIVER_FILE, file);
  std::wstring title = file + ofn.nFileOffset;
  SetDlgItemTextW(hwnd_, IDC_SERVICE_NAME, title.substr(0, title.find(L'.')).c_str());
}

void CTinkerDlg::OnIoctl() {
  if (!device_.Open()) {
    Message(L"CreateFile error, GetLastError=" + Num(GetLastError()));
    return;
  }
  switch (ComboBox_GetCurSel(GetDlgItem(hwnd_, IDC_IOCTL_CODE))) {
    case 0: {
      std::string name;
      DWORD bytes = 0;
      if (!device_.QueryName(IOCTL_GET_USING_APPNAME, &name, &bytes)) {
        Message(L"DeviceIoControl [IOCTL_GET_USING_APPNAME] error, GetLastError=" + Num(GetLastError()));
        return;
      }
      Log(L"DeviceIoControl success .");
      Log(bytes == 0 ? std::wstring(L"App Empty .")
                     : L"Got App [" + FromAnsi(name) + L"], outlen=" + Num(bytes) + L".");
      return;
    }
    case 1: {
      static const char kMyName[] = "Sorrel2.exe";
      if (!device_.Control(IOCTL_SET_MY_APPNAME, kMyName, sizeof kMyName, nullptr, 0, nullptr)) {
        Message(L"DeviceIoControl [IOCTL_SET_MY_APPNAME] error, GetLastError=" + Num(GetLastError()));
        return;
      }
      Log(L"DeviceIoControl success .");
      return;
    }
    case 2: {
      if (!event_) event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      if (!event_) {
        Log(L"CreateEvent error.");
        return;
      }
      KV_EVENT_HANDLE_RECORD record = {event_};
      if (!device_.Control(IOCTL_SET_EVENT_USBOPEN, &record, sizeof record, nullptr, 0, nullptr)) {
        Log(L"DeviceIoControl (IOCTL_SET_EVENT_USBOPEN) error.");
        return;
      }
      eventRegistered_ = true;
      if (monitor_) {
        Log(L"threadMonitor already start.");
        return;
      }
      run_ = true;
      ResetEvent(stopMonitor_);
      monitor_ = CreateThread(nullptr, 0, MonitorThread, this, 0, nullptr);
      if (monitor_) Log(L"threadMonitor start.");
      return;
    }
    default:
      return;
  }
}

DWORD WINAPI CTinkerDlg::MonitorThread(LPVOID self) {
  static_cast<CTinkerDlg*>(self)->RunMonitor();
  return 0;
}

void CTinkerDlg::RunMonitor() {
  while (run_) {
    if (WaitForSingleObject(event_, 1) == WAIT_OBJECT_0) {
      std::string name;
      DWORD bytes = 0;
      if (device_.QueryName(IOCTL_GET_OPENING_APPNAME, &name, &bytes))
        Log(L"Camera opened by App [" + FromAnsi(name) + L"], outlen=" + Num(bytes) + L".");
      else
        Log(L"DeviceIoControl (opener query) error, GetLastError=" + Num(GetLastError()) + L".");
    } else {
      // The second's pause, cut short when the dialog closes so the thread ends by itself.
      WaitForSingleObject(stopMonitor_, 1000);
    }
  }
}

void CTinkerDlg::Log(const std::wstring& line) {
  if (!hwnd_) return;
  if (GetCurrentThreadId() == uiThread_) {
    SendMessageW(hwnd_, WM_TINKER_LOG, 0, reinterpret_cast<LPARAM>(line.c_str()));
    return;
  }
  wchar_t* copy = new wchar_t[line.size() + 1];
  line.copy(copy, line.size());
  copy[line.size()] = 0;
  if (!PostMessageW(hwnd_, WM_TINKER_LOG, 1, reinterpret_cast<LPARAM>(copy))) delete[] copy;
}

void CTinkerDlg::DrainLog() {
  MSG m;
  while (PeekMessageW(&m, hwnd_, WM_TINKER_LOG, WM_TINKER_LOG, PM_REMOVE))
    if (m.wParam) delete[] reinterpret_cast<wchar_t*>(m.lParam);
}

void CTinkerDlg::Finish(INT_PTR result) {
  if (monitor_) {
    run_ = false;
    SetEvent(stopMonitor_);
    if (WaitForSingleObject(monitor_, 1000) != WAIT_OBJECT_0) TerminateThread(monitor_, 0);
    CloseHandle(monitor_);
    monitor_ = nullptr;
  }
  if (event_) {
    if (eventRegistered_ && !device_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0, nullptr))
      Message(L"DeviceIoControl (IOCTL_FREE_EVENT) error.");
    eventRegistered_ = false;
    CloseHandle(event_);
    event_ = nullptr;
  }
  device_.Close();
  if (modal_)
    EndDialog(hwnd_, result);
  else
    DestroyWindow(hwnd_);
}

}  // namespace drvtool
