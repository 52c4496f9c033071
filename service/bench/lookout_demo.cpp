// The demo's Lookout step: Lookout.exe itself against the stand-in web platform and
// rendezvous server, the test webcam and the filter-driver stand-in. It starts, passes the
// load page and publishes the camera; a stand-in viewer watches it; the demo logs in through
// the pages and binds the camera; screenshots of the tray menu, each page, the message box
// and the camera-in-use prompt go into the output folder; one summary line ends the log.
// Runs only inside the network namespace of scripts/netns-run.sh (the main window starts the
// LAN camera search). The driving part runs on Wine's virtual desktop with its task bar, so
// that the tray icon shows in the screenshots.
//   lookout_demo OUTPUT_FOLDER VIEWER_EXE
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <stdarg.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "kvfilter_testing.h"
#include "lookout_copy.h"
#include "rendezvous_standin.h"
#include "resource.h"
#include "screenshot.h"
#include "testcam/test_camera.h"
#include "web_server.h"
#include "window_finder.h"

using namespace lookout::test;

namespace {

constexpr UINT kTrayMessage = 1124;  // the tray icon's callback message
constexpr WPARAM kTrayIcon = 128;
const wchar_t kDriverService[] = L"KvUsbCameraFilter";
// A USB-like instance name, so that the device gets a key and a GUID of its own.
const wchar_t kCamera[] = L"usb#vid_1e4e&pid_0109&mi_00#{a}";
const wchar_t kMainCaption[] = L"澄望警示器";
const wchar_t kBoxCaption[] = L"警示器虚拟终端";
const char kMobile[] = "13800000001";
const char kPassword[] = "demo2026";

FILE* g_log = nullptr;

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(g_log, format, args);
  va_end(args);
  std::fputc('\n', g_log);
  std::fflush(g_log);
}

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; !done(); waited += 50) {
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

// The visible page of the main window that holds control `marker`, or null.
HWND VisiblePage(HWND main, int marker) {
  for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child) && GetDlgItem(child, marker) != nullptr) return child;
  return nullptr;
}

HWND WaitForPage(HWND main, int marker, int timeoutMs) {
  HWND page = nullptr;
  WaitUntil([&] { return (page = VisiblePage(main, marker)) != nullptr; }, timeoutMs);
  return page;
}

struct MenuSearch {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindMenu(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<MenuSearch*>(p);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && std::wstring(cls) == L"#32768" && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

class Demo {
 public:
  Demo(std::wstring out, std::wstring viewer) : m_out(std::move(out)), m_viewer(std::move(viewer)) {}
  int Run();

 private:
  bool Shoot(HWND window, const wchar_t* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);  // the other process paints
    bool ok = lookout::testing::SavePng(lookout::testing::Grab(window), m_out + L"\\" + name);
    if (ok) {
      ++m_shots;
      Log("screenshot: %s", Utf8(name).c_str());
    }
    return ok;
  }
  void Reached(const char* page) {
    if (!m_pages.empty()) m_pages += ",";
    m_pages += page;
    Log("page reached: %s", page);
  }
  // The program's message box: its text, screenshot when `shot`, answered with `button`.
  std::wstring Answer(int button, const wchar_t* shot) {
    HWND box = WaitForWindow(m_lookout.Id(), kBoxCaption, 15000);
    if (box == nullptr) return L"";
    std::vector<std::wstring> texts = StaticTexts(box);
    if (shot != nullptr) Shoot(box, shot);
    PressButton(box, button);
    WaitForWindowGone(box, 10000);
    return texts.empty() ? L"" : texts.front();
  }
  void Type(HWND page, int id, const char* text) {
    std::string s(text);
    SetDlgItemTextW(page, id, std::wstring(s.begin(), s.end()).c_str());
  }
  std::wstring Setting(const wchar_t* section, const wchar_t* key) {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(section, key, L"", value, 256, m_copy.Settings().c_str());
    return value;
  }
  bool PrepareDevices();
  void ReleaseDevices();
  long WatchFrames(const std::wstring& guid);

  std::wstring m_out, m_viewer;
  standins::web::WebPlatformServer m_web;
  standins::RendezvousStandin m_rendezvous;
  LookoutCopy m_copy{L"demo"};
  ChildProcess m_lookout;
  HMODULE m_testcam = nullptr;
  std::string m_pages;
  int m_shots = 0;
};

bool Demo::PrepareDevices() {
  m_testcam = LoadLibraryW((TestProgramFolder() + L"TestCam.ax").c_str());
  if (m_testcam == nullptr) return false;
  auto add = reinterpret_cast<RegisterTestCameraFn>(reinterpret_cast<void*>(GetProcAddress(m_testcam, "RegisterTestCamera")));
  auto scene = reinterpret_cast<HRESULT(WINAPI*)(int)>(reinterpret_cast<void*>(GetProcAddress(m_testcam, "SetTestCameraScene")));
  if (add == nullptr || add(L"Lookout Test Camera", kCamera) != S_OK) return false;
  if (scene != nullptr) scene(2);  // moving bars: consecutive frames differ
  kvtest::StopAndDeleteService(kDriverService);
  DWORD error = 0;
  return kvtest::CreateDriverService(kDriverService, kvtest::StandInDriverPath(), SERVICE_DEMAND_START, &error) &&
         kvtest::StartDriverService(kDriverService, &error);
}

void Demo::ReleaseDevices() {
  kvtest::StopAndDeleteService(kDriverService);
  if (m_testcam == nullptr) return;
  auto remove =
      reinterpret_cast<UnregisterTestCameraFn>(reinterpret_cast<void*>(GetProcAddress(m_testcam, "UnregisterTestCamera")));
  if (remove != nullptr) remove(kCamera);
}

// The stand-in viewer asks the rendezvous server for the camera and counts its frames.
long Demo::WatchFrames(const std::wstring& guid) {
  std::wstring frames = m_out + L"\\frames";
  CreateDirectoryW(frames.c_str(), nullptr);
  std::wstring output = m_out + L"\\viewer.txt";
  ChildProcess viewer;
  std::wstring line = L"\"" + m_viewer + L"\" --server 127.0.0.1:" + std::to_wstring(m_rendezvous.Port()) +
                      L" --camera " + guid.substr(0, 30) + L" --seconds 4 --out \"" + frames + L"\"";
  if (!viewer.Start(line, output)) return -1;
  if (!viewer.Wait(30000)) viewer.Kill();
  std::ifstream in{std::filesystem::path(output)};
  long count = -1;
  for (std::string l; std::getline(in, l);) {
    if (l.compare(0, 7, "frames=") == 0) {
      count = std::atol(l.c_str() + 7);
      Log("viewer: %s", l.c_str());
    }
  }
  return count;
}

int Demo::Run() {
  CoInitialize(nullptr);
  if (!m_web.Start() || !m_rendezvous.Start() || !m_copy.Ready()) {
    Log("lookout_demo: the stand-ins did not start");
    return 1;
  }
  m_web.WithStore([&](standins::web::PlatformStore& s) {
    s.rendezvous = "127.0.0.1:" + std::to_string(m_rendezvous.Port());
    s.AddUser(kMobile, kPassword);
  });
  m_copy.PointAt(m_web.HostText());
  Log("stand-ins: web platform %s, rendezvous server 127.0.0.1:%u", m_web.HostText().c_str(),
      static_cast<unsigned>(m_rendezvous.Port()));
  if (!PrepareDevices()) {
    Log("lookout_demo: the test webcam or the filter-driver stand-in is missing");
    ReleaseDevices();
    return 1;
  }

  long frames = -1;
  int result = 1;
  if (m_lookout.Start(L"\"" + m_copy.Exe() + L"\"")) {
    HWND main = WaitForWindow(m_lookout.Id(), kMainCaption, 60000);
    if (main != nullptr) {
      result = 0;
      if (WaitForPage(main, IDC_LOAD_RESULT, 5000) != nullptr) {
        Reached("load");
        Shoot(main, L"lookout-page-load.png");
      }
      HWND login = WaitForPage(main, IDC_LOGIN_BUTTON, 30000);
      if (login != nullptr) Reached("login");

      // Published under the GUID the program wrote into its settings.
      std::wstring guid;
      WaitUntil([&] { return !(guid = Setting(L"CAMERA1", L"GUID1")).empty(); }, 20000);
      std::string name = Utf8(guid).substr(0, 30);
      if (!guid.empty() && WaitUntil([&] { return m_rendezvous.CameraAddress(name).has_value(); }, 20000)) {
        Log("camera %s registered at the rendezvous server", name.c_str());
        frames = WatchFrames(guid);
      } else {
        Log("the camera did not register (GUID \"%s\")", name.c_str());
      }

      // The tray menu, opened as a right click on the icon does, on the desktop with its task bar.
      PostMessageW(main, kTrayMessage, kTrayIcon, WM_RBUTTONUP);
      MenuSearch menu{m_lookout.Id(), nullptr};
      WaitUntil([&] { EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menu)); return menu.found != nullptr; }, 10000);
      if (menu.found != nullptr) {
        Shoot(GetDesktopWindow(), L"lookout-tray-menu.png");
        PostMessageW(menu.found, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitForWindowGone(menu.found, 5000);
      }

      if (login != nullptr) {
        Shoot(main, L"lookout-page-login.png");
        // The registration page and back.
        PostMessageW(login, WM_COMMAND, MAKEWPARAM(IDC_REGISTER_LINK, STN_CLICKED), 0);
        if (HWND reg = WaitForPage(main, IDC_GETCODE_BUTTON, 10000)) {
          Reached("register");
          Shoot(main, L"lookout-page-register.png");
          PostMessageW(reg, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_LINK, STN_CLICKED), 0);
          WaitForPage(main, IDC_LOGIN_BUTTON, 10000);
        }
        // A wrong password first: the message box.
        Type(login, IDC_NUMBER, kMobile);
        Type(login, IDC_PASSWORD, "wrong");
        PressButton(login, IDC_LOGIN_BUTTON);
        Log("message box: %s", Utf8(Answer(IDOK, L"lookout-message-box.png")).c_str());
        Type(login, IDC_PASSWORD, kPassword);
        PressButton(login, IDC_LOGIN_BUTTON);
      }
      if (HWND bind = WaitForPage(main, IDC_DEVICE_LIST, 15000)) {
        Reached("bind");
        HWND list = GetDlgItem(bind, IDC_DEVICE_LIST);
        WaitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 10000);
        PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);  // selects the first row
        WaitUntil([&] { return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0; }, 5000);
        Shoot(main, L"lookout-page-bind.png");
        PressButton(bind, IDC_BIND_BUTTON);
        if (HWND experience = WaitForPage(main, IDC_ENTRY_LINK, 15000)) {
          WaitUntil([&] { return IsWindowVisible(GetDlgItem(experience, IDC_ENTRY_LINK)) != FALSE; }, 5000);
          Reached("experience");
          Shoot(main, L"lookout-page-experience.png");
          std::string owner;
          m_web.WithStore([&](standins::web::PlatformStore& s) { owner = s.bindings[name]; });
          Log("camera %s bound to %s", name.c_str(), owner.c_str());
        }
      }

      // Another program opens the camera, then uses it: the prompt asks, then informs.
      kvtest::Device driver;
      if (driver.Open()) {
        driver.Opening("qq.exe");
        HWND prompt = WaitForWindow(m_lookout.Id(), L"摄像头使用提示", 10000);
        if (prompt != nullptr) {
          Shoot(prompt, L"lookout-prompt-ask.png");
          PressButton(prompt, IDC_PROMPT_NO);
          WaitForWindowGone(prompt, 5000);
        }
        driver.Opened("qq.exe");
        prompt = WaitForWindow(m_lookout.Id(), L"摄像头使用提示", 10000);
        if (prompt != nullptr && WaitForPage(main, IDC_LOAD_RESULT, 10000) != nullptr) {
          Shoot(GetDesktopWindow(), L"lookout-prompt-inform.png");
        }
        driver.Closed();
      }

      PostMessageW(main, WM_CLOSE, 0, 0);
      Log("exit question: %s", Utf8(Answer(IDOK, L"lookout-exit-question.png")).c_str());
    } else {
      Log("lookout_demo: the main window did not open");
    }
    if (!m_lookout.Wait(30000)) {
      m_lookout.Kill();
      result = 1;
    }
    Log("Lookout ended with %lu; platform requests: %zu", m_lookout.ExitCode(), m_web.Requests().size());
  }
  ReleaseDevices();
  Log("lookout: frames received %ld, pages reached %s, screenshots %d", frames, m_pages.c_str(), m_shots);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string problem = TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "lookout_demo: refusing to start Lookout: %s\n", problem.c_str());
    return 1;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: lookout_demo OUTPUT_FOLDER VIEWER_EXE\n");
    return 2;
  }
  std::wstring out = argv[1], viewer = argv[2], log = out + L"\\lookout.txt";
  if (argc >= 4 && std::wstring(argv[3]) == L"--on-desktop") {
    g_log = _wfopen(log.c_str(), L"a");
    if (g_log == nullptr) return 1;
    int result = Demo(out, viewer).Run();
    std::fclose(g_log);
    return result;
  }
  // Again on a virtual desktop with a task bar; its log is shown when it is done.
  DeleteFileW(log.c_str());
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  ChildProcess desktop;
  if (!desktop.Start(L"explorer.exe /desktop=shell,1024x768 \"" + std::wstring(self) + L"\" \"" + out + L"\" \"" +
                     viewer + L"\" --on-desktop")) {
    std::fprintf(stderr, "lookout_demo: cannot open the virtual desktop\n");
    return 1;
  }
  bool done = false;
  for (int waited = 0; waited < 300000 && !done; waited += 200) {
    Sleep(200);
    std::ifstream in{std::filesystem::path(log)};
    for (std::string line; std::getline(in, line);)
      if (line.compare(0, 8, "lookout:") == 0) done = true;
  }
  std::ifstream in{std::filesystem::path(log)};
  std::string summary;
  for (std::string line; std::getline(in, line);) {
    std::printf("%s\n", line.c_str());
    if (line.compare(0, 8, "lookout:") == 0) summary = line;
  }
  if (!desktop.Wait(10000)) desktop.Kill();
  return summary.empty() || summary.find("pages reached load,login,register,bind,experience") == std::string::npos ? 1 : 0;
}
