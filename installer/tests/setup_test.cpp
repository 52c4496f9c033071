// Setup.exe in a fresh Wine prefix: a silent installation, an upgrade over it and the silent
// uninstallation, each read back from the system, and a registry export before and after
// that shows nothing else changed. In a 64-bit prefix the devices are checked as 32-bit and as
// 64-bit programs see them. Runs only inside the network namespace that scripts/netns-run.sh
// makes: the installed service opens Lookout's main window, which starts the LAN camera search.
#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "child_process.h"
#include "lookout_copy.h"
#include "lookout_version.h"
#include "screenshot.h"
#include "setup_test_support.h"
#include "web_server.h"
#include "window_finder.h"

using namespace setup_test;
using lookout::test::FileExists;
using lookout::test::FreshTempFolder;
using lookout::test::PressButton;
using lookout::test::StaticTexts;
using lookout::test::WaitForWindow;
using lookout::test::WindowsOf;
using standins::web::WebPlatformServer;

namespace {

struct Options {
  std::wstring setup, setupWithStandins, probe32, probe64;
} g_options;

const std::wstring kService = L"Lookout";
const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lookout";
const std::string kMirageClsid = "{E492CD61-B19D-4613-8E49-18D4E5F0E282}";
const std::wstring kMainCaption = L"澄望警示器";
const std::wstring kProduct = L"Lookout camera suite";

#ifdef SETUP_TEST_HAVE_MIRAGE
constexpr bool kHaveMirage = true;
#else
constexpr bool kHaveMirage = false;
#endif

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

std::wstring IniString(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"", value, 512, file.c_str());
  return value;
}

// Names in a folder, sorted (no "." and "..").
std::set<std::wstring> FolderNames(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

DWORD LinkCount(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  DWORD links = GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 0;
  CloseHandle(file);
  return links;
}

struct Camera {
  const wchar_t* type;
  const wchar_t* ip;
  const wchar_t* name;
  std::string DeviceName() const {
    return "Device" + Narrow(type) + "@" + Narrow(ip) + "@" + Narrow(name);
  }
};
const Camera kCameras[] = {
    {L"quil", L"127.0.0.1", L"cam1"},
    {L"orvel", L"127.0.0.2", L"cam2"},
    {L"quil", L"127.0.0.3", L"cam3"},  // added to the list after the installation
};

// The camera list as the service writes it: `count` cameras in use.
void WriteCameraList(const std::wstring& file, int count) {
  std::wstring ids;
  for (int i = 0; i < count; ++i) {
    wchar_t section[16], id[8];
    swprintf(section, 16, L"Camera%d", i);
    swprintf(id, 8, L"%04d#", i);
    ids += id;
    WritePrivateProfileStringW(section, L"cameratype", kCameras[i].type, file.c_str());
    WritePrivateProfileStringW(section, L"url", kCameras[i].ip, file.c_str());
    WritePrivateProfileStringW(section, L"sername", kCameras[i].name, file.c_str());
    WritePrivateProfileStringW(section, L"webport", L"81", file.c_str());
  }
  WritePrivateProfileStringW(L"system", L"CameraNumber", std::to_wstring(count).c_str(), file.c_str());
  WritePrivateProfileStringW(L"System", L"CameraIDList", ids.c_str(), file.c_str());
}

std::set<std::string> OurDevices(const std::vector<VideoDevice>& devices) {
  std::set<std::string> names;
  for (const VideoDevice& d : devices) {
    if (d.clsid == kMirageClsid) names.insert(d.name);
  }
  return names;
}

// Takes one value (with its continuation lines) out of a key's exported lines.
void DropValue(RegistrySnapshot& snapshot, const std::wstring& key, const std::wstring& name) {
  auto it = snapshot.find(key);
  if (it == snapshot.end()) return;
  std::wstring kept, line;
  bool dropping = false;
  for (wchar_t c : it->second) {
    if (c != L'\n') {
      line += c;
      continue;
    }
    if (!dropping) dropping = line.rfind(L"\"" + name + L"\"=", 0) == 0;
    if (!dropping) kept += line + L'\n';
    if (dropping && (line.empty() || line.back() != L'\\')) dropping = false;
    line.clear();
  }
  it->second = kept;
}

// The files the system is asked to delete at the next start (source names; targets empty).
std::vector<std::wstring> PendingDeletes() {
  std::vector<std::wstring> files;
  wchar_t buffer[8192] = {};
  DWORD size = sizeof buffer - 2 * sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return files;
  for (const wchar_t* p = buffer; *p;) {
    std::wstring source = p;
    p += source.size() + 1;
    std::wstring target = p;
    p += target.size() + 1;
    files.push_back(target.empty() ? source : source + L" -> " + target);
  }
  return files;
}

// Runs a setup or uninstaller and says how long it took (a figure for the log, not a check).
DWORD RunTimed(const char* what, const std::wstring& commandLine, DWORD timeoutMs,
               const std::wstring& log) {
  ULONGLONG start = GetTickCount64();
  DWORD code = RunCommand(commandLine, timeoutMs, log);
  std::printf("setup_test: %s took %.1f s\n", what, (GetTickCount64() - start) / 1000.0);
  return code;
}

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    scratch = FreshTempFolder(L"setup-test");
    folder = KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Lookout\\";
    startMenu = KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct + L"\\";
    both = IsWow64() && !g_options.probe64.empty();
    if (!both) std::printf("setup_test: not a 64-bit prefix: the 64-bit checks are skipped\n");
    if (!kHaveMirage) std::printf("setup_test: no Mirage in this build: the device checks are skipped\n");
  }

  void ExpectDevices(const std::wstring& probe, const char* kind, int cameras) {
    if (!kHaveMirage) return;
    bool ok = false;
    std::vector<VideoDevice> devices = ListVideoDevices(probe, scratch, &ok);
    ASSERT_TRUE(ok) << kind << " probe did not run";
    std::set<std::string> expected;
    for (int i = 0; i < cameras; ++i) expected.insert(kCameras[i].DeviceName());
    EXPECT_EQ(OurDevices(devices), expected) << kind << " programs";
    for (const VideoDevice& d : devices) {
      if (d.clsid != kMirageClsid) continue;
      EXPECT_EQ(d.created, kMirageClsid) << kind << " programs cannot open " << d.name;
      // Sixteen formats once the device has bound its camera (an orvel camera without the
      // vendor's library included).
      EXPECT_EQ(d.mediaTypes, 16) << kind << " " << d.name;
    }
  }

  void ExpectNoDevices(const std::wstring& probe, const char* kind) {
    bool ok = false;
    std::vector<VideoDevice> devices = ListVideoDevices(probe, scratch, &ok);
    ASSERT_TRUE(ok) << kind << " probe did not run";
    EXPECT_TRUE(OurDevices(devices).empty()) << kind << " programs still see a camera";
  }

  // Everything an installation leaves, with `cameras` cameras in the list; `usersList`: the
  // list the user had before, else the starting one.
  void ExpectInstalled(int cameras, bool usersList) {
    const std::wstring version = Widen(LOOKOUT_VERSION_TEXT);
    std::vector<std::wstring> binaries = {L"Lookout.exe", L"Lantern.dll", L"Tremor.dll", L"Rookery.dll",
                                          L"Veneer.dll", L"Quilgate.dll", L"Orvelgate.dll", L"Tinker.exe"};
    if (kHaveMirage) binaries.push_back(L"Mirage.ax");
    for (const std::wstring& name : binaries)
      EXPECT_EQ(FileVersion(folder + name), version) << Narrow(name);
    EXPECT_TRUE(FileExists(folder + L"ZOSkin\\rara_hard.vskn"));
    EXPECT_TRUE(FileExists(folder + L"default_skin\\default.xml"));
    EXPECT_TRUE(FileExists(folder + L"uninstall.exe"));
    // Built without the vendor's library and driver: neither they nor a stand-in are there.
    for (const wchar_t* name : {L"NetClient.dll", L"KvUsbCameraFilter.sys", L"TestCam.ax"}) {
      EXPECT_FALSE(FileExists(folder + name)) << Narrow(name);
      EXPECT_FALSE(FileExists(folder + L"x64\\" + name)) << Narrow(name);
    }

    const std::wstring list = folder + L"DoderadIrava.ini";
    EXPECT_EQ(IniString(list, L"quil", L"CameraDllName"), L"Quilgate.dll");
    EXPECT_EQ(IniString(list, L"orvel", L"CameraDllName"), L"Orvelgate.dll");
    if (usersList) {
      EXPECT_EQ(IniString(list, L"SetupTest", L"Seeded"), L"yes") << "the user's camera list was replaced";
    } else {
      EXPECT_EQ(IniString(list, L"system", L"CameraIDList"), L"");
    }
    EXPECT_EQ(IniString(list, L"system", L"CameraNumber"), std::to_wstring(cameras));

    if (both) {
      for (const wchar_t* name : {L"Rookery.dll", L"Quilgate.dll", L"Orvelgate.dll"})
        EXPECT_EQ(FileVersion(folder + L"x64\\" + name), version) << "x64 " << Narrow(name);
      if (kHaveMirage) {
        EXPECT_EQ(FileVersion(folder + L"x64\\Mirage.ax"), version);
      }
      EXPECT_EQ(LinkCount(list), 2u) << "x64\\DoderadIrava.ini is not the same file";
      EXPECT_EQ(IniString(folder + L"x64\\DoderadIrava.ini", L"system", L"CameraNumber"), std::to_wstring(cameras));
    } else {
      EXPECT_FALSE(FileExists(folder + L"x64")) << "64-bit files on a 32-bit system";
    }

    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), kProduct);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), version);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher"), L"Lookout");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
              L"\"" + folder + L"uninstall.exe\"");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString"),
              L"\"" + folder + L"uninstall.exe\" /S");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation") + L"\\", folder);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon"), folder + L"Lookout.exe,0");
    DWORD size = 0;
    ASSERT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize", &size));
    EXPECT_GT(size, 1000u) << "KiB";  // the libraries alone are several megabytes
    EXPECT_LT(size, 200000u) << "KiB";

    std::set<std::wstring> targets;
    for (const std::wstring& name : FolderNames(startMenu)) targets.insert(ShortcutTarget(startMenu + name));
    EXPECT_EQ(targets, (std::set<std::wstring>{folder + L"Lookout.exe", folder + L"uninstall.exe"}))
        << "in " << Narrow(startMenu);

    ServiceRecord service = ReadServiceRecord(kService);
    ASSERT_TRUE(service.present);
    EXPECT_EQ(service.type, 0x110u);
    EXPECT_EQ(service.start, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(_wcsicmp(service.path.c_str(), (L"\"" + folder + L"Lookout.exe\"").c_str()), 0) << Narrow(service.path);
    ASSERT_TRUE(WaitForServiceState(kService, SERVICE_RUNNING, 60000))
        << "the service did not reach running: state " << ReadServiceRecord(kService).state << ", exit code "
        << ReadServiceRecord(kService).exitCode;
    EXPECT_NE(WaitForWindow(ReadServiceRecord(kService).processId, kMainCaption, 60000), nullptr)
        << "the running service shows no main window";
    EXPECT_EQ(IniString(folder + L"Lookout.ini", L"MAIN", L"ServerURL"), Widen(server.HostText().c_str()));

    ExpectDevices(g_options.probe32, "32-bit", cameras);
    if (both) ExpectDevices(g_options.probe64, "64-bit", cameras);
  }

  // The uninstaller copies itself away and returns at once; it is done when its entry is gone.
  void UninstallSilently() {
    std::wstring uninstall = ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString");
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(RunCommand(uninstall, 60000, scratch + L"uninstall.log"), 0u);
    auto entryGone = [&] { return !RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); };
    for (int i = 0; i < 1800 && !entryGone(); ++i) Sleep(100);
    ASSERT_TRUE(entryGone()) << "the uninstall entry is still there after 180 s";
    std::printf("setup_test: the uninstallation took %.1f s\n", (GetTickCount64() - start) / 1000.0);
    EXPECT_TRUE(WaitForProcessesGone(L"Un.exe", 60000));
  }

  // Nothing else of the prefix changed since `before` (Wine's and NSIS's own bookkeeping aside).
  void ExpectRegistryUnchanged(RegistrySnapshot before) {
    // Like every NSIS uninstaller, its copy in the temporary folder is deleted at the next start.
    for (const std::wstring& file : PendingDeletes())
      EXPECT_NE(file.find(L"\\~nsu"), std::wstring::npos) << "deleted at the next start: " << Narrow(file);
    RegistrySnapshot after = ExportRegistry(scratch, L"after");
    DropValue(before, L"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager",
              L"PendingFileRenameOperations");
    DropValue(after, L"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager",
              L"PendingFileRenameOperations");
    // The service manager counts every service start there (Windows does too).
    std::vector<std::wstring> ignored = {L"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent"};
    // What the system itself writes for any program that runs in a user's hive: the proxy
    // switch at WinINet's first use, Wine's own temporary parameters.
    std::set<std::wstring> hives;
    for (const RegistrySnapshot* snapshot : {&before, &after}) {
      for (const auto& entry : *snapshot) {
        const size_t user = entry.first.find(L'\\', 11);
        if (entry.first.rfind(L"HKEY_USERS\\", 0) == 0 && user != std::wstring::npos) hives.insert(entry.first.substr(0, user));
      }
    }
    for (const std::wstring& hive : hives) {
      for (RegistrySnapshot* snapshot : {&before, &after})
        DropValue(*snapshot, hive + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", L"ProxyEnable");
      ignored.push_back(hive + L"\\Software\\Wine\\Temporary System Parameters");
    }
    std::vector<std::wstring> changes = RegistryChanges(before, after, ignored);
    std::string report;
    for (size_t i = 0; i < changes.size() && i < 40; ++i) report += Narrow(changes[i]) + "\n";
    EXPECT_TRUE(changes.empty()) << changes.size() << " registry keys differ:\n" << report;
  }

  WebPlatformServer server;
  std::wstring scratch, folder, startMenu;
  bool both = false;
};

TEST_F(SetupTest, InstallsUpgradesAndUninstallsSilently) {
  ASSERT_FALSE(ReadServiceRecord(kService).present) << "a service from an earlier run is in the way";
  ASSERT_FALSE(FileExists(folder)) << "an earlier installation is in the way";
  RegistrySnapshot before = ExportRegistry(scratch, L"before");
  ASSERT_GT(before.size(), 1000u) << "the registry export did not work";

  // Only the platform address is there before: the service must talk to the stand-in platform
  // from its first start.
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  WritePrivateProfileStringW(L"MAIN", L"ServerURL", Widen(server.HostText().c_str()).c_str(),
                             (folder + L"Lookout.ini").c_str());

  EXPECT_EQ(FileVersion(g_options.setup), Widen(LOOKOUT_VERSION_TEXT)) << "Setup.exe";
  const std::wstring setup = L"\"" + g_options.setup + L"\" /S";
  ASSERT_EQ(RunTimed("the first installation", setup, 300000, scratch + L"setup-1.log"), 0u)
      << "the first installation failed";
  // The starting camera list: the families, no camera and so no device.
  ASSERT_NO_FATAL_FAILURE(ExpectInstalled(0, false));

  // The service puts cameras in use and registers Mirage again, with the regsvr32 of its own
  // kind (32-bit). One camera list serves both kinds of program, and the 32-bit Mirage.ax
  // passes the registration on to the 64-bit one: its devices follow too.
  const std::wstring list = folder + L"DoderadIrava.ini";
  WriteCameraList(list, 3);
  if (kHaveMirage) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(RunCommand(L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s \"" + folder + L"Mirage.ax\"", 120000),
              0u);
    ExpectDevices(g_options.probe32, "32-bit", 3);
    if (both) ExpectDevices(g_options.probe64, "64-bit", 3);
  }
  // The user puts back a list of an older version: one camera fewer, no plug-in families. The
  // upgrade fills the families in, links the list again and leaves no device of the third.
  ASSERT_TRUE(DeleteFileW(list.c_str()));
  WriteCameraList(list, 2);
  WritePrivateProfileStringW(L"SetupTest", L"Seeded", L"yes", list.c_str());

  // The upgrade stops the running service, keeps the user's settings and starts it again.
  WritePrivateProfileStringW(L"SetupTest", L"Edited", L"yes", (folder + L"Lookout.ini").c_str());
  DWORD oldPid = ReadServiceRecord(kService).processId;
  HANDLE oldProcess = OpenProcess(SYNCHRONIZE, FALSE, oldPid);
  ASSERT_NE(oldProcess, nullptr);
  ASSERT_EQ(RunTimed("the upgrade", setup, 300000, scratch + L"setup-2.log"), 0u) << "the upgrade failed";
  EXPECT_EQ(WaitForSingleObject(oldProcess, 0), WAIT_OBJECT_0) << "the old service process still runs";
  CloseHandle(oldProcess);
  EXPECT_EQ(IniString(folder + L"Lookout.ini", L"SetupTest", L"Edited"), L"yes");
  ASSERT_NO_FATAL_FAILURE(ExpectInstalled(2, true));
  EXPECT_NE(ReadServiceRecord(kService).processId, oldPid);

  ASSERT_NO_FATAL_FAILURE(UninstallSilently());

  EXPECT_FALSE(ReadServiceRecord(kService).present);
  ExpectNoDevices(g_options.probe32, "32-bit");
  if (both) ExpectNoDevices(g_options.probe64, "64-bit");
  // Silent: the settings stay, as they were; nothing else does.
  EXPECT_EQ(FolderNames(folder), (std::set<std::wstring>{L"DoderadIrava.ini", L"Lookout.ini"}));
  EXPECT_EQ(IniString(folder + L"Lookout.ini", L"SetupTest", L"Edited"), L"yes");
  EXPECT_EQ(IniString(folder + L"DoderadIrava.ini", L"system", L"CameraNumber"), L"2");
  EXPECT_FALSE(FileExists(startMenu));

  ExpectRegistryUnchanged(before);
}


// Built with the vendor's files (here the stand-ins in their place) and a starting camera list
// of three cameras: NetClient.dll beside each Rookery, the filter driver installed by the
// Tinker of the system's architecture, the list's devices for both kinds of program, all in a
// folder of the user's choice; the uninstaller takes all of it away again.
TEST_F(SetupTest, InstallsAndRemovesTheVendorFilesWhenGiven) {
  ASSERT_FALSE(ReadServiceRecord(kService).present);
  RegistrySnapshot before = ExportRegistry(scratch, L"before");
  ASSERT_GT(before.size(), 1000u) << "the registry export did not work";
  folder = L"C:\\Cameras\\Lookout Test\\";
  ASSERT_FALSE(FileExists(folder)) << "an earlier installation is in the way";
  CreateDirectoryW(L"C:\\Cameras", nullptr);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  WritePrivateProfileStringW(L"MAIN", L"ServerURL", Widen(server.HostText().c_str()).c_str(),
                             (folder + L"Lookout.ini").c_str());

  // /D= comes last and is never quoted.
  const std::wstring setup = L"\"" + g_options.setupWithStandins + L"\" /S /D=" + folder.substr(0, folder.size() - 1);
  ASSERT_EQ(RunTimed("the installation with the vendor's files", setup, 300000, scratch + L"setup-standins.log"), 0u);
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation") + L"\\", folder);
  EXPECT_EQ(_wcsicmp(ReadServiceRecord(kService).path.c_str(), (L"\"" + folder + L"Lookout.exe\"").c_str()), 0)
      << Narrow(ReadServiceRecord(kService).path);
  EXPECT_EQ(IniString(folder + L"DoderadIrava.ini", L"system", L"CameraIDList"), L"0000#0001#0002#");
  EXPECT_TRUE(FileExists(folder + L"NetClient.dll"));
  if (both) {
    EXPECT_TRUE(FileExists(folder + L"x64\\NetClient.dll"));
  }
  const std::wstring tinkerFolder = folder + (both ? L"x64\\" : L"");
  EXPECT_TRUE(FileExists(tinkerFolder + L"Tinker.exe"));
  EXPECT_TRUE(FileExists(tinkerFolder + L"KvUsbCameraFilter.sys"));
  const std::wstring installedDriver = NativeSystemFolder() + L"drivers\\KvUsbCameraFilter.sys";
  EXPECT_TRUE(FileExists(installedDriver));
  ServiceRecord driver = ReadServiceRecord(L"KvUsbCameraFilter");
  ASSERT_TRUE(driver.present) << "Tinker did not install the driver";
  EXPECT_EQ(driver.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_TRUE(WaitForServiceState(L"KvUsbCameraFilter", SERVICE_RUNNING, 30000));
  EXPECT_TRUE(WaitForServiceState(kService, SERVICE_RUNNING, 60000));
  ExpectDevices(g_options.probe32, "32-bit", 3);
  if (both) ExpectDevices(g_options.probe64, "64-bit", 3);

  ASSERT_NO_FATAL_FAILURE(UninstallSilently());
  EXPECT_FALSE(ReadServiceRecord(L"KvUsbCameraFilter").present);
  EXPECT_FALSE(ReadServiceRecord(kService).present);
  EXPECT_FALSE(FileExists(installedDriver));
  EXPECT_EQ(FolderNames(folder), (std::set<std::wstring>{L"DoderadIrava.ini", L"Lookout.ini"}));
  ExpectRegistryUnchanged(before);
}

// Through its windows (as from Add/Remove Programs) the uninstaller asks about the settings
// files, after the service is gone; Yes takes them away with the folder. The question is kept
// as a screenshot.
TEST_F(SetupTest, UninstallerAsksBeforeDeletingTheSettings) {
  ASSERT_FALSE(ReadServiceRecord(kService).present);
  CreateDirectoryW(folder.c_str(), nullptr);
  WritePrivateProfileStringW(L"MAIN", L"ServerURL", Widen(server.HostText().c_str()).c_str(),
                             (folder + L"Lookout.ini").c_str());
  ASSERT_EQ(RunTimed("the installation", L"\"" + g_options.setup + L"\" /S", 300000, scratch + L"setup-3.log"), 0u);
  ASSERT_TRUE(WaitForServiceState(kService, SERVICE_RUNNING, 60000));
  ASSERT_TRUE(FileExists(folder + L"DoderadIrava.ini"));

  // The uninstaller copies itself away and runs the copy.
  ASSERT_EQ(RunCommand(L"\"" + folder + L"uninstall.exe\"", 60000, scratch + L"uninstall-ui.log"), 0u);
  const DWORD process = WaitForProcess(L"Un.exe", 30000);
  ASSERT_NE(process, 0u) << "the uninstaller's copy does not run";
  HWND main = WaitForWindow(process, L"", 30000);
  ASSERT_NE(main, nullptr) << "the uninstaller shows no window";
  PressButton(main, IDOK);  // the confirmation page's Uninstall

  HWND question = nullptr;
  for (int i = 0; i < 1200 && question == nullptr; ++i) {
    for (HWND window : WindowsOf(process)) {
      if (window == main) continue;
      for (const std::wstring& text : StaticTexts(window))
        if (text.find(L"Lookout.ini") != std::wstring::npos) question = window;
    }
    if (question == nullptr) Sleep(100);
  }
  ASSERT_NE(question, nullptr) << "no question about the settings files within 120 s";
  EXPECT_FALSE(ReadServiceRecord(kService).present) << "the question came before the service was removed";
  EXPECT_TRUE(FileExists(folder + L"Lookout.ini")) << "deleted before the answer";
  lookout::testing::Capture shot = lookout::testing::Grab(question);
  EXPECT_GT(shot.w, 0);
  EXPECT_TRUE(lookout::testing::SavePng(shot, lookout::testing::ArtifactDir() / L"setup-uninstall-question.png"));
  PressButton(question, IDYES);

  auto entryGone = [&] { return !RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); };
  for (int i = 0; i < 1800 && !entryGone(); ++i) Sleep(100);
  ASSERT_TRUE(entryGone()) << "the uninstall entry is still there after 180 s";
  // The last page's Close, once it is enabled.
  HWND close = GetDlgItem(main, IDOK);
  for (int i = 0; i < 300 && !IsWindowEnabled(close); ++i) Sleep(100);
  PressButton(main, IDOK);
  EXPECT_TRUE(WaitForProcessesGone(L"Un.exe", 60000));
  EXPECT_FALSE(FileExists(folder)) << "the settings files or the program folder stayed";
}

}  // namespace

int main(int argc, char** argv) {
  std::string problem = lookout::test::TestNetworkProblem();
  if (!problem.empty()) {
    std::fprintf(stderr, "setup_test: refusing to start Setup.exe: %s\n", problem.c_str());
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> std::wstring {
      return WinePath(arg.substr(std::strlen(name)));
    };
    if (arg.rfind("--setup=", 0) == 0) g_options.setup = value("--setup=");
    if (arg.rfind("--setup-standins=", 0) == 0) g_options.setupWithStandins = value("--setup-standins=");
    if (arg.rfind("--probe32=", 0) == 0) g_options.probe32 = value("--probe32=");
    if (arg.rfind("--probe64=", 0) == 0) g_options.probe64 = value("--probe64=");
  }
  if (g_options.setup.empty() || g_options.setupWithStandins.empty() || g_options.probe32.empty()) {
    std::fprintf(stderr, "usage: setup_test --setup=PATH --setup-standins=PATH --probe32=PATH [--probe64=PATH]\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return RUN_ALL_TESTS();
}
