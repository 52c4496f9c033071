// The main window of the program in this process, against the stand-in web platform and
// rendezvous server, the test webcam, the filter-driver stand-in and the stand-in IP camera
// found by the LAN search. Runs only inside the network namespaces of scripts/netns-run.sh
// (the main window starts the LAN camera search). Timers of a second and the 60-second
// questions are shortened through the program's timer hook, never waited for.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <dshow.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "KvFilterTestControl.h"
#include "Rookery.h"
#include "child_process.h"
#include "dshow_base/device_list.h"
#include "kvfilter_testing.h"
#include "lookout_copy.h"
#include "netns_support.h"
#include "rendezvous_standin.h"
#include "resource.h"
#include "screenshot.h"
#include "service_app.h"
#include "skin_paths.h"
#include "testcam/test_camera.h"
#include "tray_window.h"
#include "web_server.h"
#include "win_text.h"
#include "window_finder.h"
#include "window_test_support.h"

using namespace lookout;
using namespace lookout::test;
using standins::web::ServeMode;
using standins::web::WebPlatformServer;

namespace {

const wchar_t kDriverService[] = L"KvUsbCameraFilter";
// Capture devices with the parts of a USB device path, so that each gets its own key. Kept
// short: Wine's filter mapper unregisters through a fixed-size key path.
const wchar_t kCameraA[] = L"usb#vid_1e4e&pid_0109&mi_00#{a}";
const wchar_t kCameraB[] = L"usb#vid_046d&pid_0825&mi_00#{b}";
const wchar_t kCameraC[] = L"usb#vid_0c45&pid_6340&mi_00#{c}";

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring Profile(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
  return value;
}

// What every run of the window shares: the stand-ins, the webcam, the driver, a folder with
// the settings file and a recording regsvr32.
class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    CoInitialize(nullptr);
    DebugOutput::Install();
    TimerLengths::Install();
    ASSERT_TRUE(web.Start());
    ASSERT_TRUE(rendezvous.Start());
    // Rookery keeps the cameras in use in its list beside itself: none from an earlier run.
    DeleteFileW((TestProgramFolder() + L"DoderadIrava.ini").c_str());
    folder = FreshTempFolder(L"lookout-window");
    // The program starts "regsvr32" by name: from this folder, the current one, a recorder
    // answers in place of the system's until a test removes it.
    ASSERT_TRUE(CopyInto(TestProgramFolder() + L"recorder\\regsvr32.exe", folder));
    SetCurrentDirectoryW(folder.c_str());

    testcam = LoadLibraryW((TestProgramFolder() + L"TestCam.ax").c_str());
    ASSERT_NE(testcam, nullptr);
    addCamera = reinterpret_cast<RegisterTestCameraFn>(reinterpret_cast<void*>(GetProcAddress(testcam, "RegisterTestCamera")));
    removeCamera =
        reinterpret_cast<UnregisterTestCameraFn>(reinterpret_cast<void*>(GetProcAddress(testcam, "UnregisterTestCamera")));
    ASSERT_TRUE(addCamera && removeCamera);

    kvtest::StopAndDeleteService(kDriverService);
    DWORD error = 0;
    ASSERT_TRUE(kvtest::CreateDriverService(kDriverService, kvtest::StandInDriverPath(), SERVICE_DEMAND_START, &error))
        << error;
    ASSERT_TRUE(kvtest::StartDriverService(kDriverService, &error)) << error;

    g_App.m_strSettingsPath = folder + L"Lookout.ini";
    g_App.PrepareSkin();
  }
  void TearDown() override {
    g_App.ReleaseSkin();
    kvtest::StopAndDeleteService(kDriverService);
    for (const wchar_t* c : {kCameraA, kCameraB, kCameraC}) removeCamera(c);
    DeleteFileW((TestProgramFolder() + L"DoderadIrava.ini").c_str());
  }

  // A fresh start: no settings file but "ServerURL" (the stand-in), the platform answering
  // normally with the stand-in rendezvous server.
  void FreshSettings() {
    DeleteFileW(g_App.m_strSettingsPath.c_str());
    static_cast<ServiceSettings&>(g_App) = ServiceSettings{};
    std::wstring host(web.HostText().begin(), web.HostText().end());
    WritePrivateProfileStringW(L"MAIN", L"ServerURL", host.c_str(), g_App.m_strSettingsPath.c_str());
    // Written through the profile functions, then read as a file by the program: the file
    // now exists with ServerURL only; the program's first save completes it.
    web.SetMode(ServeMode::Normal);
    web.WithStore([&](standins::web::PlatformStore& s) {
      s.rendezvous = "127.0.0.1:" + std::to_string(rendezvous.Port());
    });
    web.ClearRequests();
  }
  size_t Requests(const std::string& path) {
    size_t n = 0;
    for (const std::string& r : web.Requests())
      if (r.compare(0, path.size(), path) == 0) ++n;
    return n;
  }
  std::vector<std::string> RecordedCommands() {
    std::ifstream in(std::filesystem::path(folder + L"regsvr32.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) lines.push_back(line);
    return lines;
  }

  WebPlatformServer web;
  standins::RendezvousStandin rendezvous;
  std::wstring folder;
  HMODULE testcam = nullptr;
  RegisterTestCameraFn addCamera = nullptr;
  UnregisterTestCameraFn removeCamera = nullptr;
};

Environment* g_env;

void SendDeviceChange(UiThread& ui, WPARAM event) {
  DEV_BROADCAST_DEVICEINTERFACE_W change = {};
  change.dbcc_size = sizeof change;
  change.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  change.dbcc_classguid = kVideoCaptureClass;
  SendMessageW(ui.Main(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&change));
}

bool Published(UiThread& ui) {
  return ui.Get<bool>([&] { return ui.Window()->Controller().IsPublished(); });
}
std::wstring PublishedGuid(UiThread& ui) {
  return ui.Get<std::wstring>([&] { return ui.Window()->Controller().PublishedGuid(); });
}
PageId Shown(UiThread& ui) {
  return ui.Get<PageId>([&] { return ui.Window()->ShownPage(); });
}
HWND Page(UiThread& ui, PageId page) {
  return ui.Get<HWND>([&] { return ui.Window()->PageWindow(page); });
}
std::wstring LoadResult(UiThread& ui) {
  return ui.Get<std::wstring>([&] { return ui.Window()->LoadPage()->ResultText(); });
}
bool Registered(const std::wstring& guid, int timeoutMs) {
  std::string name = Narrow(guid).substr(0, 30);
  return WaitUntil([&] { return g_env->rendezvous.CameraAddress(name).has_value(); }, timeoutMs);
}

// Ends the window through the exit question's Yes.
void ExitWithYes(UiThread& ui) {
  TimerLengths::SetQuestionTime(60000);
  PostMessageW(ui.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(AnswerMessage(IDOK), L"~温馨提示~  您确定关闭 [澄望警示器] 吗？");
  EXPECT_TRUE(ui.WaitEnded(30000));
  EXPECT_FALSE(ui.TrayIconAtEnd());
}

void Type(HWND page, int id, const std::wstring& text) { SetDlgItemTextW(page, id, text.c_str()); }

// Opens the tray menu as a right click on the icon does; returns its window.
HWND OpenTrayMenu(UiThread& ui) {
  PostMessageW(ui.Main(), WM_TRAY_NOTIFY, kTrayIconId, WM_RBUTTONUP);
  return WaitForMenuWindow(10000);
}

void CloseTrayMenu(HWND menu) {
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  WaitForWindowGone(menu, 10000);
}

// A video input device registered by Mirage under the camera string.
bool MirageDevice(const std::wstring& cameraString) {
  std::vector<dshow::DeviceEntry> devices;
  if (FAILED(dshow::ListDevices(CLSID_VideoInputDeviceCategory, &devices))) return false;
  for (const dshow::DeviceEntry& d : devices)
    if (d.instanceName == cameraString) return true;
  return false;
}

UINT MenuState(UiThread& ui, UINT command) {
  return ui.Get<UINT>([&] { return GetMenuState(ui.Window()->TrayMenu(), command, MF_BYCOMMAND); });
}

}  // namespace

// ---- the start-up check ---------------------------------------------------------------------

TEST(StartupCheck, WithoutCaptureDevicesShowsTheSecondLineAndNeverPublishes) {
  g_env->FreshSettings();
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  ASSERT_TRUE(WaitUntil([&] { return !LoadResult(ui).empty(); }, 30000));
  EXPECT_EQ(LoadResult(ui), L"检测结果:\n 检测到系统没有安装摄像头, 或摄像头驱动安装失败");
  EXPECT_EQ(Shown(ui), PageId::Load);
  HWND load = Page(ui, PageId::Load);
  EXPECT_TRUE(IsTitleBlue(ShootAndPick(load, L"lookout-page-load-no-camera.png", 300, 20)));
  // The result lines in their colour, below the animation's place.
  EXPECT_GT(PixelsNear(load, RECT{150, 236, 480, 300}, RGB(0x1E, 0x65, 0xCD), 40), 40);
  EXPECT_EQ(VisibleItem(load, IDC_VERSION) ? WindowText(VisibleItem(load, IDC_VERSION)) : L"",
            L"当前版本: 1.0.0.324");

  // The exit question closes by itself after its 60 seconds (shortened here) as a No: the
  // program keeps running.
  TimerLengths::SetQuestionTime(300);
  PostMessageW(ui.Main(), WM_CLOSE, 0, 0);
  HWND question = WaitForMessageBox(10000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(MessageText(question), L"~温馨提示~  您确定关闭 [澄望警示器] 吗？");
  EXPECT_TRUE(TimerLengths::WasAsked(60000));
  EXPECT_TRUE(WaitForWindowGone(question, 10000));
  EXPECT_FALSE(ui.WaitEnded(500));
  EXPECT_TRUE(IsWindowVisible(ui.Main()));

  // The window goes to the tray and comes back with the page it showed.
  PostMessageW(ui.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(ui.Main()); }, 10000));
  EXPECT_TRUE(ui.Get<bool>([&] { return ui.Window()->TrayIconAdded(); }));
  PostMessageW(ui.Main(), WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(ui.Main()); }, 10000));
  EXPECT_TRUE(IsWindowVisible(load));

  // The check asked the platform once; the publishing timer never ran.
  EXPECT_EQ(g_env->Requests("/loadrunner.asp"), 1u);
  EXPECT_FALSE(ui.Get<bool>([&] { return ui.Window()->PublishingTimerRunning(); }));
  ExitWithYes(ui);
}

TEST(StartupCheck, AFailingPlatformShowsTheFirstLine) {
  ASSERT_EQ(g_env->addCamera(L"Lookout Test Camera", kCameraA), S_OK);
  g_env->FreshSettings();
  g_env->web.SetMode(ServeMode::ErrorPage);
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  ASSERT_TRUE(WaitUntil([&] { return !LoadResult(ui).empty(); }, 30000));
  EXPECT_EQ(LoadResult(ui), L"检测结果:\n 检测到连接警示器服务器失败");
  ShootAndPick(Page(ui, PageId::Load), L"lookout-page-load-no-server.png", 0, 0);
  EXPECT_FALSE(ui.Get<bool>([&] { return ui.Window()->PublishingTimerRunning(); }));
  EXPECT_FALSE(Published(ui));
  ExitWithYes(ui);
  g_env->web.SetMode(ServeMode::Normal);
  g_env->removeCamera(kCameraA);
}

// ---- the camera controller ------------------------------------------------------------------

TEST(Controller, PublishesRefreshesOnDeviceChangesAndSelects) {
  ASSERT_EQ(g_env->addCamera(L"Lookout Test Camera", kCameraA), S_OK);
  // No settings but "ServerURL", which points at the stand-in.
  g_env->FreshSettings();
  const std::wstring& ini = g_App.m_strSettingsPath;
  EXPECT_EQ(Profile(ini, L"MAIN", L"CameraCount"), L"<missing>");
  UiThread ui;
  ASSERT_TRUE(ui.Start());

  // The first tick makes the file, gives the camera a "kv" GUID and publishes index 0.
  ASSERT_TRUE(WaitUntil([&] { return Published(ui); }, 30000));
  std::wstring guid = PublishedGuid(ui);
  EXPECT_EQ(guid.substr(0, 16), L"kvvid1e4epid0109");
  EXPECT_TRUE(Registered(guid, 15000)) << "the camera registers under its GUID";
  EXPECT_EQ(Profile(ini, L"CAMERA1", L"GUID1"), guid);
  EXPECT_EQ(Profile(ini, L"MAIN", L"CameraCount"), L"1");
  EXPECT_EQ(Profile(ini, L"MAIN", L"LastInline"), L"1");
  EXPECT_EQ(Profile(ini, L"CAMERA1", L"CMDID1"), L"130");
  EXPECT_EQ(DebugOutput::Count("\nCamera Started! GUID:[" + Narrow(guid) + "]\n"), 1u);
  EXPECT_FALSE(ui.Get<bool>([&] { return ui.Window()->PublishingTimerRunning(); }));
  size_t ticks = g_env->Requests("/loadrunner.asp");
  EXPECT_GE(ticks, 2u);  // the check and the tick

  // The device goes: the list is refreshed, nothing is published, the section stays.
  std::wstring keyA = Profile(ini, L"CAMERA1", L"DisplayName1");
  ASSERT_EQ(g_env->removeCamera(kCameraA), S_OK);
  SendDeviceChange(ui, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_FALSE(Published(ui));
  EXPECT_EQ(DebugOutput::Count("\nCamera Stopped! GUID:[" + Narrow(guid) + "]\n"), 1u);
  EXPECT_EQ(ui.Get<size_t>([] { return g_App.m_mapOnline.GetCount(); }), 0u);
  EXPECT_EQ(Profile(ini, L"MAIN", L"LastInline"), L"0");
  EXPECT_EQ(Profile(ini, L"CAMERA1", L"GUID1"), guid);

  // Two others arrive: the absent default is replaced by the first present camera, and the
  // unplugged camera's section comes after theirs.
  ASSERT_EQ(g_env->addCamera(L"Lookout Test Camera B", kCameraB), S_OK);
  ASSERT_EQ(g_env->addCamera(L"Lookout Test Camera C", kCameraC), S_OK);
  SendDeviceChange(ui, DBT_DEVICEARRIVAL);
  ASSERT_TRUE(Published(ui));
  std::vector<std::wstring> keys = ui.Get<std::vector<std::wstring>>([] { return g_App.m_mapOnline.Keys(); });
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(Profile(ini, L"MAIN", L"DefaultCamera"), keys[0]);
  EXPECT_EQ(Profile(ini, L"MAIN", L"CameraCount"), L"3");
  EXPECT_EQ(Profile(ini, L"CAMERA3", L"DisplayName3"), keyA);
  EXPECT_EQ(Profile(ini, L"CAMERA3", L"GUID3"), guid);
  std::wstring first = PublishedGuid(ui);
  EXPECT_TRUE(Registered(first, 15000));

  // Selecting the published camera does nothing; the other one is published instead.
  int selected = ui.Get<int>([&] { return ui.Window()->Controller().SelectedCommand(); });
  EXPECT_EQ(selected, 130);
  // Other threads write debug output too: only the camera lines count.
  auto cameraLines = [] {
    size_t n = 0;
    for (const std::string& line : DebugOutput::Lines())
      if (line.compare(0, 8, "\nCamera ") == 0) ++n;
    return n;
  };
  size_t lines = cameraLines();
  SendMessageW(ui.Main(), WM_COMMAND, 130, 0);
  EXPECT_EQ(cameraLines(), lines);
  EXPECT_EQ(PublishedGuid(ui), first);
  SendMessageW(ui.Main(), WM_COMMAND, 131, 0);
  std::wstring second = PublishedGuid(ui);
  EXPECT_NE(second, first);
  EXPECT_EQ(DebugOutput::Count("\nCamera Stopped! GUID:[" + Narrow(first) + "]\n"), 1u);
  EXPECT_TRUE(Registered(second, 15000));
  EXPECT_EQ(Profile(ini, L"MAIN", L"DefaultCamera"), keys[1]);

  // The tray menu: the camera submenu with the selected camera checked, start disabled.
  HWND menu = OpenTrayMenu(ui);
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(MenuState(ui, 131) & MF_CHECKED);
  EXPECT_FALSE(MenuState(ui, 130) & MF_CHECKED);
  EXPECT_TRUE(MenuState(ui, ID_TRAY_START) & MF_GRAYED);
  EXPECT_FALSE(MenuState(ui, ID_TRAY_STOP) & MF_GRAYED);
  EXPECT_TRUE(MenuState(ui, ID_TRAY_PLATFORM) & MF_GRAYED);
  lookout::testing::SavePng(lookout::testing::Grab(menu), lookout::testing::ArtifactDir() / L"lookout-tray-menu.png");
  CloseTrayMenu(menu);

  // Stopped from the menu, then started again after the devices went away unannounced: the
  // camera server answers 0 (index out of range), which counts as published.
  PostMessageW(ui.Main(), WM_COMMAND, ID_TRAY_STOP, 0);
  ASSERT_TRUE(WaitUntil([&] { return !Published(ui); }, 10000));
  g_env->removeCamera(kCameraB);
  g_env->removeCamera(kCameraC);
  size_t started = DebugOutput::Count("\nCamera Started! GUID:[" + Narrow(second) + "]\n");
  PostMessageW(ui.Main(), WM_COMMAND, ID_TRAY_START, 0);
  ASSERT_TRUE(WaitUntil([&] { return Published(ui); }, 10000));
  EXPECT_EQ(DebugOutput::Count("\nCamera Started! GUID:[" + Narrow(second) + "]\n"), started + 1);
  menu = OpenTrayMenu(ui);
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(MenuState(ui, ID_TRAY_START) & MF_GRAYED);
  CloseTrayMenu(menu);

  // Nothing asked the platform again after the first publication.
  EXPECT_EQ(g_env->Requests("/loadrunner.asp"), ticks);
  ExitWithYes(ui);
}

// ---- the pages, the IP camera and the camera-use watcher (one window) -----------------------

class Pages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(g_env->addCamera(L"Lookout Test Camera", kCameraA), S_OK);
    g_env->FreshSettings();
    g_env->web.WithStore([](standins::web::PlatformStore& s) {
      s.AddUser("13800000001", "right");
      s.AddUser("13700000003", "other");
    });
    ui = new UiThread;
    ASSERT_TRUE(ui->Start());
  }
  static void TearDownTestSuite() {
    if (ui != nullptr && ui->Window() != nullptr) ExitWithYes(*ui);
    delete ui;
    g_env->removeCamera(kCameraA);
  }
  static UiThread* ui;
};
UiThread* Pages::ui = nullptr;

TEST_F(Pages, LoginWithAWrongPasswordShowsTheMessage) {
  ASSERT_TRUE(WaitUntil([] { return Shown(*ui) == PageId::Login; }, 30000));
  HWND login = Page(*ui, PageId::Login);
  EXPECT_TRUE(IsTitleBlue(ShootAndPick(login, L"lookout-page-login.png", 300, 20)));
  // The field wells are white inside a blue-grey frame.
  EXPECT_EQ(ShootAndPick(login, L"lookout-page-login.png", 205, 153), RGB(255, 255, 255));
  Type(login, IDC_NUMBER, L"13800000001");
  Type(login, IDC_PASSWORD, L"wrong");
  PressButton(login, IDC_LOGIN_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"用户名或密码错误, 请重试");
  EXPECT_EQ(Shown(*ui), PageId::Login);
  // An empty number is refused before anything is sent.
  // (The publishing timer may still be asking for the rendezvous address meanwhile.)
  auto loginRequests = [] { return g_env->web.Requests().size() - g_env->Requests("/loadrunner.asp"); };
  size_t requests = loginRequests();
  Type(login, IDC_NUMBER, L"");
  PressButton(login, IDC_LOGIN_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"手机号不能为空");
  EXPECT_EQ(loginRequests(), requests);
}

TEST_F(Pages, RegistrationThroughTheSmsCode) {
  HWND login = Page(*ui, PageId::Login);
  PostMessageW(login, WM_COMMAND, MAKEWPARAM(IDC_REGISTER_LINK, STN_CLICKED), 0);
  ASSERT_TRUE(WaitUntil([] { return Shown(*ui) == PageId::Register; }, 10000));
  HWND page = Page(*ui, PageId::Register);
  Type(page, IDC_REG_NUMBER, L"13900000002");
  PressButton(page, IDC_GETCODE_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"短信验证码已发送, 请注意查收手机短信, 输入验证码完成注册(60秒)");
  // The countdown starts once the message is answered.
  // (The page's thread disables the two one after the other.)
  EXPECT_TRUE(WaitUntil([&] {
    return !IsWindowEnabled(GetDlgItem(page, IDC_REG_NUMBER)) && !IsWindowEnabled(GetDlgItem(page, IDC_GETCODE_BUTTON));
  }, 5000));
  std::string code;
  g_env->web.WithStore([&](standins::web::PlatformStore& s) { code = s.LastCode("13900000002"); });
  ASSERT_EQ(code.size(), 6u);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(page, IDC_COUNTDOWN)) != L"60秒"; }, 10000));
  EXPECT_NE(WindowText(GetDlgItem(page, IDC_COUNTDOWN)).find(L"秒"), std::wstring::npos);
  ShootAndPick(page, L"lookout-page-register.png", 0, 0);

  Type(page, IDC_REG_CODE, std::wstring(code.begin(), code.end()));
  Type(page, IDC_REG_PASSWORD, L"secret");
  Type(page, IDC_REG_PASSWORD2, L"secret2");
  PressButton(page, IDC_REGISTER_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"两次密码输入不一样");
  Type(page, IDC_REG_PASSWORD2, L"secret");
  PressButton(page, IDC_REGISTER_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"注册成功");
  ASSERT_TRUE(WaitUntil([] { return Shown(*ui) == PageId::Bind; }, 10000));
  EXPECT_EQ(ui->Get<std::wstring>([] { return ui->Window()->Login().m_strUserName; }), L"13900000002");
  // The countdown ends: the number and the button come back.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(page, IDC_GETCODE_BUTTON)) != FALSE; }, 30000));
}

TEST_F(Pages, EveryBindRowCarriesItsGuidAndTheTakenCameraGoesThroughTheCheck) {
  HWND page = Page(*ui, PageId::Bind);
  ASSERT_TRUE(WaitUntil([] { return Published(*ui); }, 30000));
  HWND list = GetDlgItem(page, IDC_DEVICE_LIST);
  int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  ASSERT_EQ(rows, static_cast<int>(ui->Get<size_t>([] { return g_App.m_mapOnline.GetCount(); })));
  ASSERT_GE(rows, 1);
  for (int row = 0; row < rows; ++row) {
    wchar_t key[200] = {}, guid[80] = {};
    LVITEMW item = {};
    item.pszText = key;
    item.cchTextMax = 200;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = guid;
    item.cchTextMax = 80;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    std::wstring expected = ui->Get<std::wstring>([&] {
      const CameraInfo* c = g_App.m_mapOnline.Lookup(key);
      return c ? std::wstring(c->GUID) : std::wstring(L"<none>");
    });
    EXPECT_EQ(std::wstring(guid), expected) << "row " << row;
    EXPECT_EQ(std::wstring(guid).substr(0, 2), L"kv");
  }
  ShootAndPick(page, L"lookout-page-bind.png", 0, 0);
  EXPECT_GT(PixelsNear(page, RECT{44, 162, 519, 330}, RGB(255, 255, 255), 8), 2000);

  // No row selected: refused.
  PressButton(page, IDC_BIND_BUTTON);
  EXPECT_EQ(AnswerMessage(), L"未选定设备");

  // The camera is bound to another user (1083): the question, then the check dialog.
  std::wstring guid = PublishedGuid(*ui);
  g_env->web.WithStore([&](standins::web::PlatformStore& s) { s.bindings[Narrow(guid)] = "13700000003"; });
  LVITEMW select = {};
  select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  PressButton(page, IDC_BIND_BUTTON);
  HWND question = WaitForMessageBox(10000);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(MessageText(question), L"澄望器ID已经被其他用户注册, 需要验证该用户的用户信息, 是否进行验证？");
  EXPECT_EQ(WindowText(GetDlgItem(question, IDOK)), L"是");
  EXPECT_EQ(WindowText(GetDlgItem(question, IDCANCEL)), L"否");
  PressButton(question, IDOK);
  HWND check = WaitForWindow(GetCurrentProcessId(), L"验证原绑定用户", 10000);
  ASSERT_NE(check, nullptr);
  EXPECT_TRUE(IsTitleBlue(ShootAndPick(check, L"lookout-check-dialog.png", 200, 10)));
  // The skinned OK button in its place (the screenshot is taken again until it is drawn).
  EXPECT_TRUE(WaitUntil([&] { return IsTitleBlue(ShootAndPick(check, L"lookout-check-dialog.png", 110, 172)); }, 5000));
  Type(check, IDC_CHECK_USER, L"13700000003");
  Type(check, IDC_CHECK_PASSWORD, L"nope");
  PressButton(check, IDOK);
  EXPECT_EQ(AnswerMessage(), L"用户验证失败");
  EXPECT_TRUE(IsWindowVisible(check));
  Type(check, IDC_CHECK_PASSWORD, L"other");
  PressButton(check, IDOK);
  EXPECT_TRUE(WaitForWindowGone(check, 10000));

  // Bound after the removal: the experience page waits its 60 seconds (shortened) first.
  ASSERT_TRUE(WaitUntil([] { return Shown(*ui) == PageId::Experience; }, 10000));
  std::string owner;
  g_env->web.WithStore([&](standins::web::PlatformStore& s) { owner = s.bindings[Narrow(guid)]; });
  EXPECT_EQ(owner, "13900000002");
  HWND experience = Page(*ui, PageId::Experience);
  EXPECT_TRUE(ui->Get<bool>([] { return ui->Window()->ExperiencePage()->Waiting(); }));
  EXPECT_EQ(WindowText(GetDlgItem(experience, IDC_WAIT_TEXT)).substr(0, 5), L"倒计时: ");
  ShootAndPick(experience, L"lookout-page-experience-wait.png", 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(experience, IDC_ENTRY_LINK)) != FALSE; }, 30000));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(experience, IDC_WAIT_TEXT)));
  EXPECT_EQ(WindowText(GetDlgItem(experience, IDC_ENTRY_LINK)), L" 进入虚拟警示器体验界面");
  // The green mark of a finished binding.
  COLORREF mark = CLR_INVALID;
  EXPECT_TRUE(WaitUntil(
      [&] {
        mark = ShootAndPick(experience, L"lookout-page-experience.png", 281, 150);
        return GetGValue(mark) > 140 && GetRValue(mark) < 100;
      },
      5000))
      << std::hex << mark;
}

TEST_F(Pages, DoubleClickOnTheTrayIconShowsTheLastPage) {
  PostMessageW(ui->Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([] { return !IsWindowVisible(ui->Main()); }, 10000));
  PostMessageW(ui->Main(), WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitUntil([] { return IsWindowVisible(ui->Main()) != FALSE; }, 10000));
  EXPECT_EQ(Shown(*ui), PageId::Experience);
  EXPECT_TRUE(IsWindowVisible(Page(*ui, PageId::Experience)));
  EXPECT_EQ(ui->Get<int>([] { return ui->Window()->PageIndex(); }), 5);
}

TEST_F(Pages, IpCameraIsCheckedWithTheCameraAndMirageRegisteredAgain) {
  // The stand-in camera of the namespace answers the LAN search from now on.
  rookery_test::QuilcamControl control;
  ASSERT_TRUE(control.Ready());
  ASSERT_TRUE(control.SetCameras("id=QC0000000014,name=door,ip=10.213.7.2,port=81"));
  CamSearchMgr* cameras = CamSearchMgr::GetInstance(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return cameras->GetCamCount() > 0; }, 30000)) << "the LAN search found no camera";
  std::wstring cameraString = cameras->GetCamStringInfo(0u);
  size_t before = g_env->RecordedCommands().size();

  PostMessageW(ui->Main(), WM_COMMAND, 150, 0);
  HWND dialog = WaitForWindow(GetCurrentProcessId(), L"网络摄像头登录", 10000);
  ASSERT_NE(dialog, nullptr);
  ShootAndPick(dialog, L"lookout-camera-login.png", 0, 0);
  Type(dialog, IDC_CAM_USER, L"admin");
  Type(dialog, IDC_CAM_PASSWORD, L"bad");
  PressButton(dialog, IDOK);
  EXPECT_EQ(AnswerMessage(), L"用户名密码错误，认证不通过!");
  EXPECT_FALSE(cameras->IsCamIsUsing(cameraString.c_str()));
  ASSERT_TRUE(WaitUntil([&] { return g_env->RecordedCommands().size() >= before + 2; }, 15000));
  std::string mirage = Narrow(FolderOf(ModulePath()) + L"Mirage.ax");
  // In turn: the unregistration has ended before the registration starts.
  std::vector<std::string> commands = g_env->RecordedCommands();
  commands.erase(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(before));
  EXPECT_EQ(commands, (std::vector<std::string>{"regsvr32 -u -s " + mirage, "regsvr32 -s " + mirage}));

  // Now the system's regsvr32 with the Mirage beside the program: the camera put in use
  // becomes a video input device of its own.
  ASSERT_TRUE(DeleteFileW((g_env->folder + L"regsvr32.exe").c_str()));
  EXPECT_FALSE(MirageDevice(cameraString));
  PostMessageW(ui->Main(), WM_COMMAND, 150, 0);
  dialog = WaitForWindow(GetCurrentProcessId(), L"网络摄像头登录", 10000);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CAM_USER)), L"admin") << "the typed name was kept in the record";
  Type(dialog, IDC_CAM_PASSWORD, L"123456");
  PressButton(dialog, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return cameras->IsCamIsUsing(cameraString.c_str()); }, 15000));
  EXPECT_TRUE(WaitUntil([&] { return MirageDevice(cameraString); }, 60000)) << "no Mirage device for the camera";
  HWND menu = OpenTrayMenu(*ui);
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(MenuState(*ui, 150) & MF_CHECKED);
  CloseTrayMenu(menu);
  // In use already: nothing is asked again.
  PostMessageW(ui->Main(), WM_COMMAND, 150, 0);
  EXPECT_EQ(WaitForWindow(GetCurrentProcessId(), L"网络摄像头登录", 1000), nullptr);
}

TEST_F(Pages, WatcherAsksWhenAProgramOpensTheCameraAndInformsWhileItUsesIt) {
  CUsePromptWnd* prompt = ui->Get<CUsePromptWnd*>([] { return ui->Window()->Prompt(); });
  ASSERT_TRUE(WaitUntil([&] { return ui->Get<bool>([&] { return prompt->WatcherRunning(); }); }, 10000));
  HWND window = prompt->GetSafeHwnd();
  kvtest::Device driver;
  ASSERT_TRUE(driver.Open());
  ASSERT_EQ(driver.Closed(), 0u);

  // Opening: ask mode.
  ASSERT_EQ(driver.Opening("qq.exe"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return prompt->Mode() == PromptMode::Ask && IsWindowVisible(window); }, 10000));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PROMPT_YES)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PROMPT_NO)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_PROMPT_EXIT)));
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 420);
  EXPECT_EQ(r.bottom - r.top, 132);
  EXPECT_TRUE(IsTitleBlue(ShootAndPick(window, L"lookout-prompt-ask.png", 200, 10)));
  PressButton(window, IDC_PROMPT_NO);
  ASSERT_TRUE(WaitForWindowGone(window, 10000));

  // Using: inform mode with the name, and the load page's message.
  ASSERT_EQ(driver.Opened("qq.exe"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return prompt->Mode() == PromptMode::Inform && IsWindowVisible(window); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(window, IDC_PROMPT_NAME)) == L"qq.exe"; }, 5000));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PROMPT_EXIT)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_PROMPT_YES)));
  ASSERT_TRUE(WaitUntil([] { return Shown(*ui) == PageId::Load; }, 10000));
  EXPECT_EQ(LoadResult(*ui), L"关闭该程序, 然后再启动警示器 使用程序: qq.exe");
  ShootAndPick(window, L"lookout-prompt-inform.png", 0, 0);
  ShootAndPick(Page(*ui, PageId::Load), L"lookout-page-load-camera-in-use.png", 0, 0);

  // The program itself: neither asked about nor reported.
  ASSERT_EQ(driver.Closed(), 0u);
  PressButton(window, IDC_PROMPT_NO);
  ASSERT_TRUE(WaitForWindowGone(window, 10000));
  int opener = prompt->OpenerQueries(), polls = prompt->UsingQueries();
  ASSERT_EQ(driver.Opening("Lookout"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return prompt->OpenerQueries() > opener; }, 10000));
  ASSERT_EQ(driver.Opened("Lookout"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return prompt->UsingQueries() > polls + 2; }, 10000));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(prompt->Mode(), PromptMode::Hidden);
  EXPECT_EQ(prompt->LastName(), "qq.exe");
  // ... while another name is reported at once.
  ASSERT_EQ(driver.Opened("skype.exe"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return prompt->LastName() == "skype.exe" && IsWindowVisible(window); }, 10000));
  EXPECT_TRUE(WaitUntil([] { return LoadResult(*ui) == L"关闭该程序, 然后再启动警示器 使用程序: skype.exe"; }, 5000));

  // The prompt's exit button is a close request: the exit question, answered No.
  PressButton(window, IDC_PROMPT_EXIT);
  EXPECT_EQ(AnswerMessage(IDCANCEL), L"~温馨提示~  您确定关闭 [澄望警示器] 吗？");
  EXPECT_FALSE(ui->WaitEnded(300));
  ASSERT_EQ(driver.Closed(), 0u);
}

int main(int argc, char** argv) {
  std::string problem = TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "lookout_window_test: refusing to start the main window: %s\n", problem.c_str());
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  g_env = new Environment;
  ::testing::AddGlobalTestEnvironment(g_env);
  return RUN_ALL_TESTS();
}
