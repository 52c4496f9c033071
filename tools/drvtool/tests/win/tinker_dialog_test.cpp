// The dialog under Wine: started without options the program installs, registers and starts
// the stand-in driver from its own folder; kept open in-process, its buttons are driven
// against the running stand-in and the log and message boxes read back.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "KvUsbCameraFilterIoctl.h"
#include "kvfilter_testing.h"
#include "resource.h"
#include "screenshot.h"
#include "tinker_dlg.h"
#include "usage_text.h"

namespace {

const wchar_t kService[] = L"KvUsbCameraFilter";
const wchar_t kClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const wchar_t kEventLog[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System";
const wchar_t kEventSource[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KvUsbCameraFilter";

std::wstring Text(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 512);
  return buf;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  for (int i = 0; i < ComboBox_GetCount(combo); ++i) {
    wchar_t buf[128] = {};
    ComboBox_GetLBText(combo, i, buf);
    items.push_back(buf);
  }
  return items;
}

// Processes this thread's messages until `done` holds or `ms` pass.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Runs `action` (which shows one message box of this process) while another thread reads
// the box and presses its OK button.
kvtest::MessageBoxSeen ClickThroughBox(const std::function<void()>& action) {
  kvtest::MessageBoxSeen box;
  std::thread watcher([&box] {
    if (kvtest::FindMessageBox(GetCurrentProcessId(), 15000, &box)) kvtest::DismissMessageBox(box.hwnd);
  });
  action();
  watcher.join();
  return box;
}

class TinkerDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kvtest::StopAndDeleteService(kService);
    DWORD error = 0;
    ASSERT_TRUE(kvtest::CreateDriverService(kService, kvtest::WinPath(kvtest::StandInDriverPath()),
                                            SERVICE_DEMAND_START, &error))
        << error;
  }
  static void TearDownTestSuite() { EXPECT_TRUE(kvtest::StopAndDeleteService(kService)); }

  void SetUp() override {
    if (kvtest::ServiceState(kService) != SERVICE_RUNNING) {
      DWORD error = 0;
      ASSERT_TRUE(kvtest::StartDriverService(kService, &error)) << error;
    }
    ASSERT_TRUE(probe_.Open());
    ASSERT_EQ(probe_.Closed(), 0u);
    hwnd_ = dlg_.Create();
    ASSERT_TRUE(hwnd_);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
  }
  void TearDown() override {
    if (dlg_.hwnd()) Click(IDC_EXIT);
  }
  void Click(int id) { SendMessageW(GetDlgItem(hwnd_, id), BM_CLICK, 0, 0); }
  void SelectCode(int index) { ComboBox_SetCurSel(GetDlgItem(hwnd_, IDC_IOCTL_CODE), index); }
  std::vector<std::wstring> Log() {
    std::vector<std::wstring> lines;
    HWND list = GetDlgItem(hwnd_, IDC_LOG);
    for (int i = 0; i < ListBox_GetCount(list); ++i) {
      wchar_t buf[512] = {};
      ListBox_GetText(list, i, buf);
      lines.push_back(buf);
    }
    return lines;
  }
  std::wstring Top() {
    std::vector<std::wstring> lines = Log();
    return lines.empty() ? std::wstring() : lines[0];
  }
  KV_TEST_STATE State() {
    KV_TEST_STATE st = {};
    EXPECT_TRUE(probe_.State(&st));
    return st;
  }

  drvtool::CTinkerDlg dlg_{false};
  HWND hwnd_ = nullptr;
  kvtest::Device probe_;
};

TEST_F(TinkerDialog, DefaultsControlsAndAboutBox) {
  EXPECT_EQ(Text(hwnd_), L"Tinker");
  EXPECT_EQ(Text(GetDlgItem(hwnd_, IDC_SERVICE_NAME)), L"KvUsbCameraFilter");
  EXPECT_EQ(Text(GetDlgItem(hwnd_, IDC_DRIVER_FILE)), L"C:\\drv\\KvUsbCameraFilter.sys");
  EXPECT_EQ(ComboItems(GetDlgItem(hwnd_, IDC_START_TYPE)),
            (std::vector<std::wstring>{L"SERVICE_BOOT_START", L"SERVICE_SYSTEM_START", L"SERVICE_AUTO_START",
                                       L"SERVICE_DEMAND_START", L"SERVICE_DISABLED"}));
  EXPECT_EQ(ComboBox_GetCurSel(GetDlgItem(hwnd_, IDC_START_TYPE)), 0);
  EXPECT_EQ(ComboItems(GetDlgItem(hwnd_, IDC_SERVICE_TYPE)),
            (std::vector<std::wstring>{L"SERVICE_KERNEL_DRIVER", L"SERVICE_FILE_SYSTEM_DRIVER",
                                       L"SERVICE_RECOGNIZER_DRIVER", L"SERVICE_WIN32_OWN_PROCESS",
                                       L"SERVICE_WIN32_SHARE_PROCESS", L"SERVICE_INTERACTIVE_PROCESS"}));
  EXPECT_EQ(ComboBox_GetCurSel(GetDlgItem(hwnd_, IDC_SERVICE_TYPE)), 0);
  EXPECT_EQ(ComboItems(GetDlgItem(hwnd_, IDC_IOCTL_CODE)),
            (std::vector<std::wstring>{L"IOCTL_GET_USING_APPNAME", L"IOCTL_SET_MY_APPNAME",
                                       L"IOCTL_SET_EVENT_USBOPEN"}));
  const std::pair<int, const wchar_t*> buttons[] = {
      {IDC_BROWSE, L"\u6307\u5B9A\u9A71\u52A8\u6587\u4EF6(.sys) ... "}, {IDC_INSTALL, L"Install"},
      {IDC_START, L"start"}, {IDC_STOP, L"stop"}, {IDC_IOCTRL, L"IOCTRL"},
      {IDC_HELP_TEXT, L"\u5E2E\u52A9\u8BF4\u660E"}, {IDC_EXIT, L"\u9000\u51FA"}};
  for (const auto& b : buttons) EXPECT_EQ(Text(GetDlgItem(hwnd_, b.first)), b.second) << b.first;
  // A name longer than the service manager takes cannot be typed in.
  EXPECT_EQ(SendDlgItemMessageW(hwnd_, IDC_SERVICE_NAME, EM_GETLIMITTEXT, 0, 0), 256);

  HMENU sys = GetSystemMenu(hwnd_, FALSE);
  wchar_t item[64] = {};
  ASSERT_GT(GetMenuStringW(sys, IDM_ABOUTBOX, item, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(std::wstring(item), L"\u5173\u4E8E Tinker(&A)...");

  // The About box: name, version and its OK button.
  std::wstring aboutText, okText;
  bool found = false;
  std::thread watcher([&] {
    DWORD start = GetTickCount();
    while (!found && GetTickCount() - start < 10000) {
      HWND about = FindWindowW(L"#32770", L"\u5173\u4E8E Tinker");
      if (about && IsWindowVisible(about)) {
        found = true;
        for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) aboutText += Text(c) + L"|";
        okText = Text(GetDlgItem(about, IDOK));
        PostMessageW(about, WM_COMMAND, IDOK, 0);
      }
      Sleep(20);
    }
  });
  SendMessageW(hwnd_, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  watcher.join();
  ASSERT_TRUE(found);
  EXPECT_NE(aboutText.find(L"Tinker"), std::wstring::npos) << aboutText;
  EXPECT_NE(aboutText.find(L"1.0"), std::wstring::npos) << aboutText;
  EXPECT_EQ(okText, L"\u786E\u5B9A");

  kvtest::MessageBoxSeen help = ClickThroughBox([this] { Click(IDC_HELP_TEXT); });
  EXPECT_EQ(help.title, drvtool::kUsageTitle);
  EXPECT_EQ(help.text, drvtool::UsageText(true));
  EXPECT_NE(help.text.find(L"  /pwd [password]      - password.\n  /?"), std::wstring::npos);
}

TEST_F(TinkerDialog, IoctrlButtonsAgainstTheStandIn) {
  unsigned freesBefore = State().FreeRequests;
  unsigned handlesBefore = State().OpenHandles;

  SelectCode(0);
  Click(IDC_IOCTRL);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{L"App Empty .", L"DeviceIoControl success ."}));

  ASSERT_EQ(probe_.Opened("Sorrel.exe"), 0u);
  Click(IDC_IOCTRL);
  EXPECT_EQ(Top(), L"Got App [Sorrel.exe], outlen=11.");
  EXPECT_EQ(Log().size(), 4u);
  EXPECT_EQ(State().OpenHandles, handlesBefore + 1) << "the dialog keeps its handle open";

  SelectCode(1);
  Click(IDC_IOCTRL);
  EXPECT_EQ(Top(), L"DeviceIoControl success .");
  EXPECT_STREQ(State().LastAppName, "Sorrel2.exe");

  SelectCode(2);
  Click(IDC_IOCTRL);
  EXPECT_EQ(Top(), L"threadMonitor start.");
  EXPECT_EQ(State().EventsHeld, 1u);
  Click(IDC_IOCTRL);
  EXPECT_EQ(Top(), L"threadMonitor already start.");
  EXPECT_EQ(State().EventsHeld, 1u) << "the same handle registers again";
  size_t lines = Log().size();

  // The monitor thread wakes on the event and asks who opened the camera.
  ASSERT_EQ(probe_.Opened("Peeker.exe"), 0u);
  ASSERT_TRUE(PumpUntil([this] { return Top().find(L"Peeker.exe") != std::wstring::npos; }, 5000)) << Log().size();
  EXPECT_EQ(Top(), L"Camera opened by App [Peeker.exe], outlen=11.");
  EXPECT_EQ(Log().size(), lines + 1) << "woken once";

  PumpUntil([] { return false; }, 200);
  lookout::testing::Capture shot = lookout::testing::Grab(hwnd_);
  EXPECT_TRUE(lookout::testing::SavePng(shot, lookout::testing::ArtifactDir() / L"tinker-dialog.png"));
  RECT list;
  GetWindowRect(GetDlgItem(hwnd_, IDC_LOG), &list);
  RECT frame;
  GetWindowRect(hwnd_, &frame);
  EXPECT_EQ(shot.At(list.right - frame.left - 30, list.bottom - frame.top - 6), RGB(255, 255, 255))
      << "the list's white face below its lines";

  // Closing sends IOCTL_FREE_EVENT and lets go of the device.
  Click(IDC_EXIT);
  EXPECT_EQ(dlg_.hwnd(), nullptr);
  KV_TEST_STATE st = State();
  EXPECT_EQ(st.FreeRequests, freesBefore + 1);
  EXPECT_EQ(st.EventsHeld, 0u);
  EXPECT_EQ(st.OpenHandles, handlesBefore);
}

TEST_F(TinkerDialog, StopStartAndFailures) {
  SetDlgItemTextW(hwnd_, IDC_SERVICE_NAME, L"");
  kvtest::MessageBoxSeen box = ClickThroughBox([this] { Click(IDC_STOP); });
  EXPECT_EQ(box.text, L"Please Input ServiceName!");
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));

  SetDlgItemTextW(hwnd_, IDC_SERVICE_NAME, L"KvUsbCameraFilter");
  SelectCode(0);
  Click(IDC_IOCTRL);  // the device is open when the service is stopped
  probe_.Close();
  box = ClickThroughBox([this] { Click(IDC_STOP); });
  EXPECT_EQ(box.text, L"Service [KvUsbCameraFilter] stop success!");
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_STOPPED));

  box = ClickThroughBox([this] { Click(IDC_IOCTRL); });
  EXPECT_EQ(box.text, L"CreateFile error, GetLastError=2");

  Click(IDC_START);
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
  Click(IDC_IOCTRL);
  EXPECT_EQ(Top(), L"App Empty .");
  ASSERT_TRUE(probe_.Open());
}

TEST_F(TinkerDialog, BrowseFillsFileAndName) {
  std::wstring sys = kvtest::WinPath(kvtest::StandInDriverPath());
  bool found = false;
  std::thread watcher([&] {
    DWORD start = GetTickCount();
    while (!found && GetTickCount() - start < 15000) {
      HWND open = nullptr;
      for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId() && w != hwnd_ && IsWindowVisible(w) && GetDlgItem(w, 0x47C)) open = w;
      }
      if (open) {
        found = true;
        Sleep(200);
        SendMessageW(GetDlgItem(open, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sys.c_str()));
        PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      Sleep(20);
    }
  });
  Click(IDC_BROWSE);
  watcher.join();
  ASSERT_TRUE(found);
  EXPECT_EQ(Text(GetDlgItem(hwnd_, IDC_DRIVER_FILE)), sys);
  EXPECT_EQ(Text(GetDlgItem(hwnd_, IDC_SERVICE_NAME)), L"KvUsbCameraFilter");
}

// The program itself, started without options from the build folder where the stand-in
// driver lies beside it.
class TinkerStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::StopAndDeleteService(kService);
    ASSERT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", &sources_));
    hadFilters_ = kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters", &filters_);
    kvtest::DeleteRegValue(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters");
  }
  void TearDown() override {
    EXPECT_TRUE(kvtest::StopAndDeleteService(kService));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSource);
    kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", REG_MULTI_SZ, sources_);
    if (hadFilters_)
      kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters", REG_MULTI_SZ, filters_);
    else
      kvtest::DeleteRegValue(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters");
  }
  // Runs Tinker without options; true when it ended with success and showed no message.
  // *written: the class key's values were written meanwhile.
  bool RunTinker(bool* written) {
    HKEY key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_NOTIFY, &key), ERROR_SUCCESS);
    HANDLE changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE), ERROR_SUCCESS);
    kvtest::Program p;
    std::wstring exe = kvtest::WinPath(TINKER_EXE);
    EXPECT_TRUE(p.Start(exe, L"", exe.substr(0, exe.find_last_of(L'\\'))));
    DWORD code = p.Wait(60000);
    kvtest::MessageBoxSeen box;
    bool shown = kvtest::FindMessageBox(p.pid(), 0, &box);
    EXPECT_FALSE(shown) << std::string(box.text.begin(), box.text.end());
    *written = WaitForSingleObject(changed, 2000) == WAIT_OBJECT_0;
    CloseHandle(changed);
    RegCloseKey(key);
    return code == 0 && !shown;
  }
  std::vector<BYTE> Filters() {
    std::vector<BYTE> bytes;
    DWORD type = 0;
    EXPECT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters", &bytes, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    return bytes;
  }
  std::vector<BYTE> sources_, filters_;
  bool hadFilters_ = false;
};

TEST_F(TinkerStartup, InstallsRegistersAndStartsFromItsOwnFolder) {
  bool written = false;
  // No UpperFilters yet: one entry.
  ASSERT_TRUE(RunTinker(&written));
  EXPECT_TRUE(written);
  EXPECT_EQ(Filters(), kvtest::MultiSz("KvUsbCameraFilter||"));
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(kvtest::DeviceOpens());
  DWORD start = 99;
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\KvUsbCameraFilter",
                                   L"Start", &start));
  EXPECT_EQ(start, 0u) << "the dialog's default: boot start";

  // Other filters: appended.
  ASSERT_TRUE(kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters", REG_MULTI_SZ,
                                    kvtest::MultiSz("ksthunk||")));
  ASSERT_TRUE(RunTinker(&written));
  EXPECT_TRUE(written);
  EXPECT_EQ(Filters(), kvtest::MultiSz("ksthunk|KvUsbCameraFilter||"));
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));

  // Already there: written back byte for byte. (Wine's registry drops a write of identical
  // data without notice; that the write is made is checked in the native tests.)
  std::vector<BYTE> odd = kvtest::MultiSz("KvUsbCameraFilter|ksthunk|");  // no double terminator
  ASSERT_TRUE(kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kClassKey, L"UpperFilters", REG_MULTI_SZ, odd));
  ASSERT_TRUE(RunTinker(&written));
  EXPECT_EQ(Filters(), odd);
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
}

}  // namespace
