// Lookout.exe as a process: the command words against the system's service manager, the
// application with its single-instance rule, skin folders and exit question, and the service
// started and stopped by the service manager. Runs only inside the network namespace that
// scripts/netns-run.sh makes: the main window starts the LAN camera search.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "child_process.h"
#include "kvfilter_testing.h"
#include "lookout_copy.h"
#include "resource.h"
#include "screenshot.h"
#include "service_record.h"
#include "wait_until.h"
#include "web_server.h"
#include "window_finder.h"

using namespace lookout::test;
using standins::web::WebPlatformServer;

namespace {

const std::wstring kServiceName = L"Lookout";
const std::wstring kMainCaption = L"澄望警示器";
const wchar_t kDriverService[] = L"KvUsbCameraFilter";
const std::wstring kBoxCaption = L"警示器虚拟终端";
const std::wstring kUsage =
    L"/ [install] [uninstall] [start] [stop]\n\n install  : install service.\n uninstall: uninstall service.\n"
    L" start    : start service.\n stop     : stop service.\n ?        : display this message.\n";

class LookoutTest : public ::testing::Test {
 protected:
  // Installed as the program is, with the camera filter driver (its stand-in here): without
  // it the start-up would wait in a 30-second message first.
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    kvtest::StopAndDeleteService(kDriverService);
    DWORD error = 0;
    ASSERT_TRUE(kvtest::CreateDriverService(kDriverService, kvtest::StandInDriverPath(), SERVICE_DEMAND_START, &error))
        << error;
    ASSERT_TRUE(kvtest::StartDriverService(kDriverService, &error)) << error;
  }
  void TearDown() override { kvtest::StopAndDeleteService(kDriverService); }

  // Runs Lookout with `args`; every system message box it shows (caption "Lookout") is
  // read and answered with OK. Returns the boxes' texts in order.
  std::vector<std::wstring> Command(LookoutCopy& copy, const std::wstring& args) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(L"\"" + copy.Exe() + L"\" " + args)) << std::string(args.begin(), args.end());
    std::vector<std::wstring> texts;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!child.Wait(20)) {
      if (std::chrono::steady_clock::now() > end) {
        ADD_FAILURE() << "Lookout " << std::string(args.begin(), args.end()) << " did not end";
        return texts;
      }
      for (HWND box : WindowsOf(child.Id(), kServiceName)) {
        std::vector<std::wstring> statics = StaticTexts(box);
        texts.push_back(statics.empty() ? L"" : statics.front());
        PressButton(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box, 10000));
      }
    }
    EXPECT_EQ(child.ExitCode(), 0u);
    return texts;
  }

  WebPlatformServer server;
};

ServiceRecord ReadRecord() { return ReadServiceRecord(kServiceName); }

bool SendStopControl() {
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = scm ? OpenServiceW(scm, kServiceName.c_str(), SERVICE_STOP) : nullptr;
  SERVICE_STATUS status;
  bool ok = service && ControlService(service, SERVICE_CONTROL_STOP, &status);
  if (service) CloseServiceHandle(service);
  if (scm) CloseServiceHandle(scm);
  return ok;
}

// Waits for the running service and returns its process (null on time-out).
HANDLE WaitForRunningService(DWORD* pid) {
  bool running = WaitUntil([] { return ReadRecord().state == SERVICE_RUNNING; }, 60000);
  if (!running) return nullptr;
  *pid = ReadRecord().processId;
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, *pid);
}

// "Service started" events of the source "Lookout" so far. Wine keeps no event log: there
// the count comes from its trace of the reports, which scripts/netns-run.sh copies into the
// file named by LOOKOUT_TEST_STDERR.
int ServiceStartedEvents() {
  int count = 0;
  if (HANDLE log = OpenEventLogW(nullptr, L"Application")) {
    std::vector<BYTE> buffer(0x10000);
    DWORD read = 0, need = 0;
    bool any = false;
    while (ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &read, &need)) {
      any = true;
      for (DWORD at = 0; at < read;) {
        auto* record = reinterpret_cast<EVENTLOGRECORD*>(buffer.data() + at);
        auto* source = reinterpret_cast<const wchar_t*>(record + 1);
        auto* text = reinterpret_cast<const wchar_t*>(buffer.data() + at + record->StringOffset);
        if (kServiceName == source && record->NumStrings == 1 && std::wstring(text) == L"Service started") ++count;
        at += record->Length;
      }
    }
    CloseEventLog(log);
    if (any) return count;
  }
  const char* trace = std::getenv("LOOKOUT_TEST_STDERR");
  if (trace == nullptr) return -1;
  std::string text = ReadFileBytes(std::wstring(trace, trace + strlen(trace)));
  const std::string line = "trace:eventlog:ReportEventW L\"Service started\"";
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
  return count;
}

void ExpectSkinRemoved(DWORD pid) {
  std::wstring temp = SkinTempFolder(pid);
  EXPECT_TRUE(FileExists(temp)) << "the per-process folder stays";
  EXPECT_FALSE(FileExists(temp + L"acel_hard.vskn"));
  EXPECT_FALSE(FileExists(temp + L"skins"));
}

}  // namespace

TEST_F(LookoutTest, CommandWordsAgainstTheServiceManager) {
  LookoutCopy copy(L"commands");
  ASSERT_TRUE(copy.Ready());
  copy.PointAt(server.HostText());
  ASSERT_FALSE(ReadRecord().present) << "a service from an earlier run is in the way";

  EXPECT_EQ(Command(copy, L"/?"), std::vector<std::wstring>{kUsage});
  EXPECT_EQ(Command(copy, L"help"), std::vector<std::wstring>{kUsage});
  EXPECT_EQ(Command(copy, L"start"), std::vector<std::wstring>{L"Start Service Error"});
  EXPECT_TRUE(Command(copy, L"stop").empty());
  EXPECT_TRUE(Command(copy, L"uninstall").empty());
  EXPECT_FALSE(ReadRecord().present);

  for (const wchar_t* word : {L"/INSTALL", L"-install", L"\\install\\", L"foo install"}) {
    EXPECT_TRUE(Command(copy, word).empty()) << std::string(word, word + wcslen(word));
    ServiceRecord r = ReadRecord();
    ASSERT_TRUE(r.present) << std::string(word, word + wcslen(word));
    EXPECT_EQ(r.type, 0x110u);
    EXPECT_EQ(r.start, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(r.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(_wcsicmp(r.path.c_str(), (L"\"" + copy.Exe() + L"\"").c_str()), 0) << std::string(r.path.begin(), r.path.end());
    EXPECT_EQ(r.dependencies, L"RPCSS;");
    // Installing again leaves the service as it is, silently.
    EXPECT_TRUE(Command(copy, L"install").empty());
    EXPECT_TRUE(ReadRecord().present);
    EXPECT_TRUE(Command(copy, L"uninstall").empty());
    EXPECT_FALSE(ReadRecord().present);
  }
  EXPECT_FALSE(FileExists(copy.Report()));
}

TEST_F(LookoutTest, ApplicationRefusesASecondInstanceAndCleansUpAtExit) {
  LookoutCopy copy(L"application");
  ASSERT_TRUE(copy.Ready());
  copy.PointAt(server.HostText());

  ChildProcess first;
  int eventsBefore = ServiceStartedEvents();
  ASSERT_TRUE(first.Start(L"\"" + copy.Exe() + L"\"", L"", {L"WINEDEBUG=+eventlog"}));
  HWND main = WaitForWindow(first.Id(), kMainCaption, 60000);
  ASSERT_NE(main, nullptr) << "the main window did not open";
  std::wstring temp = SkinTempFolder(first.Id());
  EXPECT_TRUE(FileExists(temp + L"acel_hard.vskn"));
  EXPECT_TRUE(FileExists(temp + L"skins\\skins.ini"));
  EXPECT_TRUE(WaitUntil([&] { return ServiceStartedEvents() == eventsBefore + 1; }, 10000));
  // The version text on the load page comes from the settings' default.
  HWND version = nullptr;
  for (HWND page = GetWindow(main, GW_CHILD); page != nullptr && version == nullptr; page = GetWindow(page, GW_HWNDNEXT))
    if (IsWindowVisible(page)) version = GetDlgItem(page, IDC_VERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(WindowText(version), L"当前版本: 1.0.0.324");
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_TRUE(lookout::testing::SavePng(lookout::testing::Grab(main), lookout::testing::ArtifactDir() / L"lookout-main-window.png"));

  // A second start shows the message, which closes by itself, and ends.
  ChildProcess second;
  ASSERT_TRUE(second.Start(L"\"" + copy.Exe() + L"\""));
  HWND refused = WaitForWindow(second.Id(), kBoxCaption, 30000);
  ASSERT_NE(refused, nullptr);
  std::vector<std::wstring> texts = StaticTexts(refused);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), L"进程Lookout已经启动了一个实例");
  EXPECT_TRUE(second.Wait(20000)) << "the refused instance did not end by itself";
  EXPECT_EQ(second.ExitCode(), 0u);
  ExpectSkinRemoved(second.Id());
  EXPECT_TRUE(IsWindowVisible(main)) << "the first instance runs on";

  // Answering no keeps it running; yes ends it.
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = WaitForWindow(first.Id(), kBoxCaption, 10000);
  ASSERT_NE(question, nullptr);
  texts = StaticTexts(question);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), L"~温馨提示~  您确定关闭 [澄望警示器] 吗？");
  PressButton(question, IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(question, 10000));
  EXPECT_FALSE(first.Wait(300));
  EXPECT_TRUE(IsWindowVisible(main));

  PostMessageW(main, WM_CLOSE, 0, 0);
  question = WaitForWindow(first.Id(), kBoxCaption, 10000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDOK);
  ASSERT_TRUE(first.Wait(30000));
  EXPECT_EQ(first.ExitCode(), 0u);
  ExpectSkinRemoved(first.Id());
  EXPECT_FALSE(FileExists(copy.Report()));
  // The settings file kept the stand-in's address.
  wchar_t host[300] = {};
  GetPrivateProfileStringW(L"MAIN", L"ServerURL", L"", host, 300, copy.Settings().c_str());
  EXPECT_EQ(std::string(host, host + wcslen(host)), server.HostText());
}

TEST_F(LookoutTest, ServiceStartedAndStoppedByTheServiceManager) {
  LookoutCopy copy(L"service");
  ASSERT_TRUE(copy.Ready());
  copy.PointAt(server.HostText());
  ASSERT_TRUE(Command(copy, L"install").empty());
  ASSERT_TRUE(ReadRecord().present);

  // Start and stop through the program's own words.
  ASSERT_TRUE(Command(copy, L"start").empty());
  DWORD pid = 0;
  HANDLE process = WaitForRunningService(&pid);
  ASSERT_NE(process, nullptr) << "the service did not reach running";
  EXPECT_NE(WaitForWindow(pid, kMainCaption, 60000), nullptr);
  EXPECT_TRUE(FileExists(SkinTempFolder(pid) + L"skins"));
  ASSERT_TRUE(Command(copy, L"stop").empty());
  EXPECT_TRUE(WaitUntil([] { return ReadRecord().state == SERVICE_STOPPED; }, 30000));
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  CloseHandle(process);
  ExpectSkinRemoved(pid);

  // The main window's exit stops the service once: its own stop control does not loop back.
  ASSERT_TRUE(Command(copy, L"start").empty());
  process = WaitForRunningService(&pid);
  ASSERT_NE(process, nullptr);
  HWND main = WaitForWindow(pid, kMainCaption, 60000);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = WaitForWindow(pid, kBoxCaption, 10000);
  ASSERT_NE(question, nullptr);
  PressButton(question, IDOK);
  EXPECT_TRUE(WaitUntil([] { return ReadRecord().state == SERVICE_STOPPED; }, 30000));
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process);
  ExpectSkinRemoved(pid);

  // A stop while the exit question is open closes the question and ends the service.
  ASSERT_TRUE(Command(copy, L"start").empty());
  process = WaitForRunningService(&pid);
  ASSERT_NE(process, nullptr);
  main = WaitForWindow(pid, kMainCaption, 60000);
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  question = WaitForWindow(pid, kBoxCaption, 10000);
  ASSERT_NE(question, nullptr);
  EXPECT_TRUE(SendStopControl());
  EXPECT_TRUE(WaitForWindowGone(question, 10000));
  EXPECT_TRUE(WaitUntil([] { return ReadRecord().state == SERVICE_STOPPED; }, 30000));
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  CloseHandle(process);
  ExpectSkinRemoved(pid);

  EXPECT_TRUE(Command(copy, L"uninstall").empty());
  EXPECT_FALSE(ReadRecord().present);
  EXPECT_FALSE(FileExists(copy.Report()));
}

int main(int argc, char** argv) {
  std::string problem = TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "lookout_service_test: refusing to start Lookout: %s\n", problem.c_str());
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
