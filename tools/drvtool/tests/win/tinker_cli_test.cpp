// Tinker.exe run from its command line under Wine: the usage cases with their message box,
// and install, start and stop of the stand-in driver through the service control manager.
// (Wine's message boxes show neither MB_TOPMOST nor a readable icon to another process; the
// flags asked for are checked in the native tests.)
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "KvUsbCameraFilterIoctl.h"
#include "kvfilter_testing.h"
#include "usage_text.h"

namespace {

const wchar_t kService[] = L"KvUsbCameraFilter";
const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\KvUsbCameraFilter";
const wchar_t kEventLog[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System";
const wchar_t kEventSource[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KvUsbCameraFilter";

std::wstring InstalledDriver() {
  wchar_t dir[MAX_PATH];
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir) + L"\\drivers\\KvUsbCameraFilter.sys";
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream f(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class TinkerCli : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::StopAndDeleteService(kService);
    DeleteFileW(InstalledDriver().c_str());
    ASSERT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", &sources_));
  }
  void TearDown() override {
    EXPECT_TRUE(kvtest::StopAndDeleteService(kService));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSource);
    kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", REG_MULTI_SZ, sources_);
  }
  // Runs Tinker with `args`; the exit code, with every message box it showed read and
  // dismissed in order.
  DWORD Run(const std::wstring& args, std::vector<kvtest::MessageBoxSeen>* boxes = nullptr) {
    if (boxes) boxes->clear();
    kvtest::Program p;
    EXPECT_TRUE(p.Start(kvtest::WinPath(TINKER_EXE), args));
    DWORD start = GetTickCount();
    for (;;) {
      DWORD code = p.Wait(0);
      if (code != STILL_ACTIVE) return code;
      if (GetTickCount() - start > 60000) {
        ADD_FAILURE() << "Tinker did not end";
        return code;
      }
      kvtest::MessageBoxSeen box;
      if (kvtest::FindMessageBox(p.pid(), 200, &box)) {
        if (boxes) boxes->push_back(box);
        kvtest::DismissMessageBox(box.hwnd);
        EXPECT_TRUE(kvtest::WaitWindowGone(box.hwnd, 5000));
      }
    }
  }
  std::vector<BYTE> sources_;
};

TEST_F(TinkerCli, MalformedCommandLinesShowTheUsage) {
  for (const wchar_t* args : {L"/install KvUsbCameraFilter 2", L"/install KvUsbCameraFilter 5 /file x.sys", L"/stop",
                              L"/install KvUsbCameraFilter x /file x.sys"}) {
    std::vector<kvtest::MessageBoxSeen> boxes;
    EXPECT_EQ(Run(args, &boxes), 2u);
    ASSERT_EQ(boxes.size(), 1u) << "usage only";
    EXPECT_EQ(boxes[0].title, L"\u547D\u4EE4\u884C\u5E2E\u52A9");
    EXPECT_EQ(boxes[0].text, drvtool::UsageText(false));
  }
  EXPECT_EQ(kvtest::ServiceState(kService), 0u) << "nothing installed";

  std::vector<kvtest::MessageBoxSeen> boxes;
  EXPECT_EQ(Run(L"/install KvUsbCameraFilter 1 /file Z:\\no\\such.sys", &boxes), 2u);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"File not exists! ");
  EXPECT_EQ(boxes[0].title, L"\u63D0\u793A");
  EXPECT_EQ(boxes[1].text, drvtool::UsageText(false));
}

TEST_F(TinkerCli, InstallStartAndStop) {
  std::wstring sys = kvtest::WinPath(kvtest::StandInDriverPath());
  std::vector<kvtest::MessageBoxSeen> boxes;
  ASSERT_EQ(Run(L"/install KvUsbCameraFilter 3 /file " + sys + L" /start KvUsbCameraFilter", &boxes), 0u);
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? std::string() : std::string(boxes[0].text.begin(), boxes[0].text.end()));
  EXPECT_EQ(FileBytes(InstalledDriver()), FileBytes(sys));
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
  DWORD type = 0, start = 0;
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"Type", &type));
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"Start", &start));
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(kvtest::ReadRegString(HKEY_LOCAL_MACHINE, kServiceKey, L"ImagePath"),
            L"\\SystemRoot\\System32\\Drivers\\KvUsbCameraFilter.sys");
  kvtest::Device device;
  ASSERT_TRUE(device.Open()) << "the control device is there";
  ASSERT_EQ(device.Opened("Running.exe"), 0u);

  // On a running service no start request is sent: had it been, the manager's refusal
  // would show as a message and a failure.
  EXPECT_EQ(Run(L"/start kvusbcamerafilter", &boxes), 0u);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(device.Query(IOCTL_GET_USING_APPNAME), "Running.exe") << "the same driver, not a new load";
  device.Close();

  EXPECT_EQ(Run(L"/stop KvUsbCameraFilter", &boxes), 0u);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(kvtest::DeviceOpens()) << "the device is gone";
  EXPECT_EQ(Run(L"/stop KvUsbCameraFilter", &boxes), 0u) << "a stopped service stops at once";

  EXPECT_EQ(Run(L"/start KvUsbCameraFilter", &boxes), 0u);
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(kvtest::DeviceOpens());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(TinkerCli, InstallOverAnExistingServiceRewritesItsKey) {
  std::wstring sys = kvtest::WinPath(kvtest::StandInDriverPath());
  DWORD error = 0;
  ASSERT_TRUE(kvtest::CreateDriverService(kService, sys, SERVICE_DEMAND_START, &error)) << error;
  ASSERT_TRUE(kvtest::StartDriverService(kService, &error)) << error;
  // Values that the install must put right; Sources without its double terminator.
  ASSERT_TRUE(kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kServiceKey, L"ErrorControl", REG_DWORD, {3, 0, 0, 0}));
  ASSERT_TRUE(kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kServiceKey, L"DisplayName", REG_SZ, kvtest::MultiSz("Old|")));
  ASSERT_TRUE(kvtest::WriteRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", REG_MULTI_SZ, kvtest::MultiSz("Tcpip")));

  std::vector<kvtest::MessageBoxSeen> boxes;
  ASSERT_EQ(Run(L"/install KvUsbCameraFilter 2 /file " + sys, &boxes), 0u);
  EXPECT_TRUE(boxes.empty()) << "an existing service is no error";
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_STOPPED)) << "stopped for the copy";
  EXPECT_EQ(FileBytes(InstalledDriver()), FileBytes(sys));

  DWORD v = 0, type = 0;
  std::vector<BYTE> bytes;
  EXPECT_EQ(kvtest::ReadRegString(HKEY_LOCAL_MACHINE, kServiceKey, L"DisplayName"), L"KvUsbCameraFilter");
  ASSERT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kServiceKey, L"ImagePath", &bytes, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(kvtest::ReadRegString(HKEY_LOCAL_MACHINE, kServiceKey, L"ImagePath"),
            L"\\SystemRoot\\System32\\Drivers\\KvUsbCameraFilter.sys");
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"ErrorControl", &v) && v == 1) << v;
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"Start", &v) && v == 2) << v;
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"Type", &v) && v == 1) << v;

  ASSERT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", &bytes, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(bytes, kvtest::MultiSz("Tcpip|KvUsbCameraFilter||"));
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kEventSource, L"TypesSupported", &v) && v == 7) << v;
  EXPECT_EQ(kvtest::ReadRegString(HKEY_LOCAL_MACHINE, kEventSource, L"EventMessageFile"),
            L"%SystemRoot%\\System32\\IoLogMsg.dll;%SystemRoot%\\System32\\Drivers\\KvUsbCameraFilter.sys");

  // Again: the source is an entry already and stays one.
  ASSERT_EQ(Run(L"/install KvUsbCameraFilter 3 /file " + sys, &boxes), 0u);
  ASSERT_TRUE(kvtest::ReadRegBytes(HKEY_LOCAL_MACHINE, kEventLog, L"Sources", &bytes));
  EXPECT_EQ(bytes, kvtest::MultiSz("Tcpip|KvUsbCameraFilter||"));
  EXPECT_TRUE(kvtest::ReadRegDword(HKEY_LOCAL_MACHINE, kServiceKey, L"Start", &v) && v == 3) << v;
}

}  // namespace
