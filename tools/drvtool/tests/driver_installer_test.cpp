// Install, start and stop against an in-memory system: which requests are sent, which
// registry values are written, which messages are shown, and how long the polls wait.
#include <gtest/gtest.h>

#include "command_run.h"
#include "driver_installer.h"
#include "fake_system.h"
#include "multi_string.h"
#include "multi_sz.h"
#include "usage_text.h"

namespace drvtool {
namespace {

const std::wstring kName = L"KvUsbCameraFilter";
const std::wstring kSource = L"Z:\\build\\KvUsbCameraFilter.sys";
const std::wstring kDest = L"C:\\windows\\system32\\Drivers\\KvUsbCameraFilter.sys";
const std::wstring kServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\KvUsbCameraFilter";
const std::wstring kEventLog = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\System";

class Installer : public ::testing::Test {
 protected:
  Installer() : installer_(sys_) {
    sys_.files[kSource] = L"driver";
    sys_.CreateKey(kEventLog);
    sys_.SetMultiString(kEventLog, L"Sources", B("Service Control Manager|Tcpip||"));
  }
  FakeService& Existing(ServiceState state) {
    FakeService& s = sys_.services[FakeSystem::Lower(kName)];
    s.config.name = kName;
    s.state = state;
    return s;
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> out;
    for (const Shown& s : sys_.shown) out.push_back(s.text);
    return out;
  }
  FakeSystem sys_;
  DriverInstaller installer_;
};

TEST_F(Installer, NewServiceIsCopiedAndCreated) {
  ASSERT_TRUE(installer_.Install(kName, kSource, kServiceKernelDriver, 3));
  EXPECT_EQ(sys_.files[kDest], L"driver");
  FakeService& s = sys_.services.at(L"kvusbcamerafilter");
  EXPECT_EQ(s.config.name, kName);
  EXPECT_EQ(s.config.imagePath, L"\\SystemRoot\\System32\\Drivers\\KvUsbCameraFilter.sys");
  EXPECT_EQ(s.config.type, 1u);
  EXPECT_EQ(s.config.startType, 3u);
  EXPECT_TRUE(sys_.shown.empty());
  EXPECT_FALSE(sys_.KeyExists(kServiceKey));  // the manager made it, not the fallback
  EXPECT_TRUE(sys_.sleeps.empty());
}

TEST_F(Installer, ExistingServiceIsStoppedAndItsKeyRewritten) {
  FakeService& s = Existing(ServiceState::Running);
  s.stoppedAfterMs = 1500;
  ASSERT_TRUE(installer_.Install(kName, kSource, kServiceKernelDriver, 2));
  EXPECT_EQ(s.stopRequests, 1);
  EXPECT_EQ(sys_.sleeps, (std::vector<uint32_t>{1000, 1000}));
  EXPECT_TRUE(sys_.shown.empty()) << "the existing service is not an error";

  EXPECT_EQ(sys_.Value(kServiceKey, L"DisplayName")->text, kName);
  const RegValue* image = sys_.Value(kServiceKey, L"ImagePath");
  EXPECT_EQ(image->kind, RegValue::ExpandString);
  EXPECT_EQ(image->text, L"\\SystemRoot\\System32\\Drivers\\KvUsbCameraFilter.sys");
  EXPECT_EQ(sys_.Value(kServiceKey, L"ErrorControl")->dword, 1u);
  EXPECT_EQ(sys_.Value(kServiceKey, L"Start")->dword, 2u);
  EXPECT_EQ(sys_.Value(kServiceKey, L"Type")->dword, 1u);

  EXPECT_EQ(sys_.Value(kEventLog, L"Sources")->bytes, B("Service Control Manager|Tcpip|KvUsbCameraFilter||"));
  std::wstring source = kEventLog + L"\\KvUsbCameraFilter";
  EXPECT_EQ(sys_.Value(source, L"TypesSupported")->dword, 7u);
  const RegValue* file = sys_.Value(source, L"EventMessageFile");
  EXPECT_EQ(file->kind, RegValue::ExpandString);
  EXPECT_EQ(file->text, L"%SystemRoot%\\System32\\IoLogMsg.dll;%SystemRoot%\\System32\\Drivers\\KvUsbCameraFilter.sys");
}

TEST_F(Installer, EventLogSources) {
  Existing(ServiceState::Stopped);
  // Mended: a list without its double terminator.
  sys_.SetMultiString(kEventLog, L"Sources", B("Tcpip"));
  ASSERT_TRUE(installer_.Install(kName, kSource, kServiceKernelDriver, 2));
  EXPECT_EQ(sys_.Value(kEventLog, L"Sources")->bytes, B("Tcpip|KvUsbCameraFilter||"));

  // Already an entry: Sources is not written again.
  sys_.failingValue = L"Sources";
  EXPECT_TRUE(installer_.Install(kName, kSource, kServiceKernelDriver, 2));
  EXPECT_TRUE(sys_.shown.empty());

  // No Sources at all: the install fails.
  sys_.values[FakeSystem::Lower(kEventLog)].erase(L"Sources");
  EXPECT_FALSE(installer_.Install(kName, kSource, kServiceKernelDriver, 2));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"Could not read event log value Sources"}));
}

TEST_F(Installer, FailuresAreShown) {
  sys_.copyFails = true;
  EXPECT_FALSE(installer_.Install(kName, kSource, kServiceKernelDriver, 1));
  EXPECT_TRUE(sys_.services.empty());
  sys_.copyFails = false;

  sys_.createError = 5;
  sys_.failingValue = L"ErrorControl";
  EXPECT_FALSE(installer_.Install(kName, kSource, kServiceKernelDriver, 1));

  sys_.scmOpens = false;
  sys_.failingValue.clear();
  EXPECT_TRUE(installer_.Install(kName, kSource, kServiceKernelDriver, 1)) << "the registry fallback";
  EXPECT_EQ(sys_.Value(kServiceKey, L"Start")->dword, 1u);

  EXPECT_EQ(Texts(), (std::vector<std::wstring>{
                         L"Could not copy Z:\\build\\KvUsbCameraFilter.sys to " + kDest,
                         L"Could not install driver with Service Control Manager, GetLastError()=5",
                         L"Could not create driver registry value ErrorControl",
                         L"Could not open Service Control Manager",
                     }));
  for (const Shown& s : sys_.shown) EXPECT_EQ(s.icon, PromptIcon::Error);

  sys_.haveSystemDirectory = false;
  size_t before = sys_.shown.size();
  EXPECT_FALSE(installer_.Install(kName, kSource, kServiceKernelDriver, 1));
  EXPECT_EQ(sys_.shown.size(), before) << "fails silently";
}

TEST_F(Installer, RunningServiceThatWillNotStopCountsAsInstalled) {
  FakeService& s = Existing(ServiceState::Running);
  s.refusesStop = true;
  EXPECT_TRUE(installer_.CreateDriverService({kName, L"x", 1, 3}));
  EXPECT_EQ(s.stopRequests, 1);
  EXPECT_EQ(s.state, ServiceState::Running);
}

TEST_F(Installer, StartOnlyWhenStoppedAndPollsForRunning) {
  FakeService& s = Existing(ServiceState::Running);
  EXPECT_TRUE(installer_.Start(kName));
  EXPECT_EQ(s.startRequests, 0);
  EXPECT_TRUE(sys_.sleeps.empty());

  s.state = ServiceState::Stopped;
  s.runningAfterMs = 2500;
  EXPECT_TRUE(installer_.Start(L"kvusbcamerafilter"));
  EXPECT_EQ(s.startRequests, 1);
  EXPECT_EQ(sys_.sleeps, (std::vector<uint32_t>{1000, 1000, 1000}));
  EXPECT_TRUE(sys_.shown.empty());
}

TEST_F(Installer, StartGivesUpAfterTenChecks) {
  FakeService& s = Existing(ServiceState::Stopped);
  s.neverRuns = true;
  EXPECT_FALSE(installer_.Start(kName));
  EXPECT_EQ(sys_.sleeps, std::vector<uint32_t>(9, 1000));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"Could not start2 driver, GetLastError()=0"}));

  sys_.shown.clear();
  EXPECT_FALSE(installer_.Start(L"Missing"));
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"Could not open driver service"}));
}

TEST_F(Installer, Stop) {
  EXPECT_TRUE(installer_.Stop(kName)) << "a missing service is stopped";
  FakeService& s = Existing(ServiceState::Stopped);
  EXPECT_TRUE(installer_.Stop(kName));
  EXPECT_EQ(s.stopRequests, 0);

  s.state = ServiceState::Running;
  s.stoppedAfterMs = 20000;
  EXPECT_FALSE(installer_.Stop(kName));
  EXPECT_EQ(sys_.sleeps, std::vector<uint32_t>(9, 1000));

  s.state = ServiceState::Running;
  s.changing = false;
  s.refusesStop = true;
  sys_.sleeps.clear();
  EXPECT_FALSE(installer_.Stop(kName));
  EXPECT_TRUE(sys_.sleeps.empty());
  EXPECT_TRUE(sys_.shown.empty());
}

class UpperFilters : public Installer {
 protected:
  UpperFilters() { sys_.CreateKey(kImagingClassKey); }
  const std::vector<uint8_t>& Filters() { return sys_.Value(kImagingClassKey, L"UpperFilters")->bytes; }
};

TEST_F(UpperFilters, AbsentPresentAndAlreadyThere) {
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Written);
  EXPECT_EQ(Filters(), B("KvUsbCameraFilter||"));

  sys_.SetMultiString(kImagingClassKey, L"UpperFilters", B("ksthunk||"));
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Written);
  EXPECT_EQ(Filters(), B("ksthunk|KvUsbCameraFilter||"));

  // Written back byte for byte, even with a missing double terminator.
  sys_.SetMultiString(kImagingClassKey, L"UpperFilters", B("ksthunk|KvUsbCameraFilter|"));
  sys_.multiStringWrites.clear();
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Written);
  EXPECT_EQ(sys_.multiStringWrites, std::vector<std::wstring>{L"UpperFilters"});
  EXPECT_EQ(Filters(), B("ksthunk|KvUsbCameraFilter|"));
  EXPECT_TRUE(sys_.shown.empty());
}

TEST_F(UpperFilters, NoClassKey) {
  sys_.keys.clear();
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::NoClassKey);
  EXPECT_EQ(sys_.Value(kImagingClassKey, L"UpperFilters"), nullptr);
}

TEST_F(UpperFilters, LongValuesAreNeverCut) {
  // Mended: a value of 256 bytes or more was taken as missing and overwritten.
  std::string many;
  while (many.size() < 140) many += "filter|";
  std::vector<uint8_t> old = B(many + "|");
  ASSERT_GE(old.size(), 256u);
  sys_.SetMultiString(kImagingClassKey, L"UpperFilters", old);
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Failed);
  EXPECT_EQ(Filters(), old);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"UpperFilters is too long to add KvUsbCameraFilter"}));

  // Long, and the name is there already: nothing to do.
  std::vector<uint8_t> withName = B(many + "KvUsbCameraFilter||");
  sys_.SetMultiString(kImagingClassKey, L"UpperFilters", withName);
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Written);
  EXPECT_EQ(Filters(), withName);

  // Fits the buffer, but not with the name added.
  std::vector<uint8_t> nearly = B(std::string(120, 'f') + "||");
  sys_.SetMultiString(kImagingClassKey, L"UpperFilters", nearly);
  EXPECT_EQ(installer_.AddUpperFilter(kName), DriverInstaller::FilterResult::Failed);
  EXPECT_EQ(Filters(), nearly);
}

TEST_F(UpperFilters, InstallFromFolderStartsOnlyWhenTheListIsWritten) {
  sys_.files[L"Z:\\tool\\KvUsbCameraFilter.sys"] = L"driver";
  EXPECT_TRUE(installer_.InstallFromFolder(L"Z:\\tool", 0, 1, kName));
  FakeService& s = sys_.services.at(L"kvusbcamerafilter");
  EXPECT_EQ(s.config.startType, 0u);
  EXPECT_EQ(s.startRequests, 1);
  EXPECT_EQ(s.state, ServiceState::Running);
  EXPECT_EQ(Filters(), B("KvUsbCameraFilter||"));

  // The list cannot be written: the install happens, the start does not.
  s.state = ServiceState::Stopped;
  sys_.failingValue = L"UpperFilters";
  sys_.values.clear();
  sys_.SetMultiString(kEventLog, L"Sources", B("|"));
  EXPECT_FALSE(installer_.InstallFromFolder(L"Z:\\tool", 3, 1, kName));
  EXPECT_EQ(s.startRequests, 1);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"Could not write UpperFilters"}));
}

TEST_F(Installer, CommandLineRuns) {
  // Usage: the help text, titled, with the information icon, on top; nothing else done.
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/install KvUsbCameraFilter 5 /file x.sys"), sys_), kExitUsage);
  ASSERT_EQ(sys_.shown.size(), 1u);
  EXPECT_EQ(sys_.shown[0].text, UsageText(false));
  EXPECT_EQ(sys_.shown[0].title, kUsageTitle);
  EXPECT_EQ(sys_.shown[0].icon, PromptIcon::Information);
  EXPECT_TRUE(sys_.shown[0].topmost);
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/?"), sys_), kExitOk);
  EXPECT_EQ(sys_.managerOpens, 0);

  // /install without /file, or with a missing file.
  sys_.shown.clear();
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/install KvUsbCameraFilter 1 /start x"), sys_), kExitUsage);
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/install KvUsbCameraFilter 1 /file Z:\\none.sys"), sys_), kExitUsage);
  ASSERT_EQ(sys_.shown.size(), 4u);
  EXPECT_EQ(sys_.shown[0].text, L"File not exists! ");
  EXPECT_EQ(sys_.shown[0].title, L"\u63D0\u793A");
  EXPECT_EQ(sys_.shown[0].icon, PromptIcon::Error);
  EXPECT_EQ(sys_.shown[1].text, UsageText(false));
  EXPECT_EQ(sys_.managerOpens, 0);

  // Install, then start.
  sys_.shown.clear();
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/install KvUsbCameraFilter 3 /file " + kSource + L" /start KvUsbCameraFilter"),
                           sys_),
            kExitOk);
  EXPECT_EQ(sys_.services.at(L"kvusbcamerafilter").state, ServiceState::Running);
  EXPECT_TRUE(sys_.shown.empty());

  // A stop that fails.
  sys_.services.at(L"kvusbcamerafilter").refusesStop = true;
  EXPECT_EQ(RunCommandLine(ParseCommandLine(L"/stop KvUsbCameraFilter"), sys_), kExitFailed);
  ASSERT_EQ(sys_.shown.size(), 1u);
  EXPECT_EQ(sys_.shown[0].text, L"\u505C\u6B62\u670D\u52A1\u5931\u8D25\uFF01");
  EXPECT_TRUE(sys_.shown[0].topmost);
}

}  // namespace
}  // namespace drvtool
