// Rookery.dll as a caller linked against it sees it: the configuration file, the plug-in
// loader, play handles, callbacks, PTZ and motion parameters. Each RookeryDll test prepares
// a directory and runs its InScenario twin there in a child process. Nothing here uses the
// "quil" mode, so nothing searches the network.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Rookery.h"
#include "scenario.h"
#include "test_plugin_log.h"

using rookery_test::g_inScenario;
using rookery_test::ProgramDirectory;
using rookery_test::Scenario;

namespace {

// Protected members of the manager, read through a pointer to member.
struct MgrPeek : CamSearchMgr {
  static HANDLE Thread(CamSearchMgr& m) { return m.*(&MgrPeek::m_hSearchThread); }
  static HWND Window(CamSearchMgr& m) { return m.*(&MgrPeek::m_hWndNotify); }
  static size_t UsingCount(CamSearchMgr& m) { return (m.*(&MgrPeek::m_listUsing)).size(); }
};

std::wstring Ini(const wchar_t* section, const wchar_t* key) {
  wchar_t value[2000];
  GetPrivateProfileStringW(section, key, L"<missing>", value, 2000,
                           (ProgramDirectory() + L"DoderadIrava.ini").c_str());
  return value;
}

TestPluginLog PluginLog(const wchar_t* file) {
  TestPluginLog log = {};
  HMODULE module = GetModuleHandleW(file);
  auto get = reinterpret_cast<TestPluginGetLogProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "TestPluginGetLog")));
  if (get != nullptr) get(&log);
  return log;
}

void PluginReset(const wchar_t* file, long openResult) {
  auto reset = reinterpret_cast<TestPluginResetProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(file), "TestPluginReset")));
  ASSERT_NE(reset, nullptr);
  reset(openResult);
}

int PluginRaise(const wchar_t* file, long realHandle, int event, int value) {
  auto raise = reinterpret_cast<TestPluginRaiseProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(file), "TestPluginRaise")));
  return raise != nullptr ? raise(realHandle, event, value) : -1;
}

bool Signalled(const wchar_t* eventName) {
  HANDLE h = OpenEventW(SYNCHRONIZE, FALSE, eventName);
  if (h == nullptr) return false;
  bool set = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
  CloseHandle(h);
  return set;
}

const std::string kIds3 = "[system]\r\nCameraNumber=3\r\nCameraIDList=0003#0004#0009#\r\n";
const std::string kCam3 =
    "[Camera3]\r\nsername=cam1\r\nurl=10.0.0.1\r\ncameratype=quil\r\nusername=root\r\nuserpassword=pw\r\n"
    "webport=81\r\nlocalport=82\r\nmultiport=83\r\nchannel=2\r\nmac=Q1W2E\r\nsubmask=255.255.255.0\r\n"
    "gateway=10.0.0.254\r\nmultiip=224.1.1.1\r\ndns=10.0.0.253\r\n";
const std::string kCam4 = "[Camera4]\r\nsername=cam2\r\nurl=10.0.0.2\r\ncameratype=quil\r\n";
const std::string kCam9 = "[Camera9]\r\nsername=cam3\r\nurl=10.0.0.3\r\ncameratype=orvel\r\n";
const std::string kQuilDll = "[quil]\r\nCameraDllName=RecordingQuil.dll\r\n";
const std::string kQuilCameras = kIds3 + kCam3 + kCam4 + kCam9 + kQuilDll;

#define IN_SCENARIO()                    \
  do {                                   \
    if (!g_inScenario) GTEST_SKIP();     \
  } while (0)

void RunScenario(const std::string& test, const std::string& config,
                 std::initializer_list<const wchar_t*> files) {
  Scenario s(test);
  s.WriteConfig(config);
  for (const wchar_t* f : files) s.AddFile(f);
  std::string output;
  EXPECT_TRUE(s.Run(test, &output)) << output;
}

}  // namespace

// --- configuration file ---------------------------------------------------------------

TEST(RookeryDll, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  RunScenario("CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7",
              "[system]\r\nCameraNumber=2\r\nCameraIDList=0003#0007#\r\n"
              "[Camera3]\r\nsername=three\r\nurl=10.0.0.3\r\n"
              "[Camera5]\r\nsername=five\r\nurl=10.0.0.5\r\n"
              "[Camera7]\r\nsername=seven\r\nurl=10.0.0.7\r\n",
              {L"orvel.dll"});
}
TEST(InScenario, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GetCamCount(), 2u);
  EXPECT_STREQ(m->GetCamInfo(0)->name, "three");
  EXPECT_STREQ(m->GetCamInfo(1)->name, "seven");
  EXPECT_EQ(m->GetCamInfo(2), nullptr);
  EXPECT_EQ(m->GetCamStringInfo(2u), nullptr);
  EXPECT_STREQ(m->GetCamStringInfo(0u), L"Deviceorvel@10.0.0.3@three");
  EXPECT_STREQ(m->GetCamStringInfo(m->GetCamInfo(1)), L"Deviceorvel@10.0.0.7@seven");
  EXPECT_EQ(m->GetCamStringInfo(static_cast<CAMLIST_ITEM*>(nullptr)), nullptr);
  EXPECT_EQ(CamSearchMgr::m_listCamer.size(), 2u);  // exported data
  EXPECT_TRUE(Signalled(L"CamSearchResult"));
  // A later mode is ignored: still the file's manager, and no search thread.
  EXPECT_EQ(CamSearchMgr::GetInstance(L"quil"), m);
  EXPECT_EQ(MgrPeek::Thread(*m), nullptr);
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, EmptySectionGivesTheDefaults) {
  RunScenario("EmptySectionGivesTheDefaults",
              "[system]\r\nCameraNumber=1\r\nCameraIDList=0004#\r\n", {});
}
TEST(InScenario, EmptySectionGivesTheDefaults) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 1u);
  const CAMLIST_ITEM& c = *m->GetCamInfo(0);
  EXPECT_STREQ(c.name, "0.0.0.0");
  EXPECT_STREQ(c.ip, "0.0.0.0");
  EXPECT_STREQ(c.submask, "0.0.0.0");
  EXPECT_STREQ(c.gateway, "0.0.0.0");
  EXPECT_STREQ(c.multiip, "0.0.0.0");
  EXPECT_STREQ(c.dns, "0.0.0.0");
  EXPECT_STREQ(c.cameratype, "orvel");
  EXPECT_STREQ(c.username, "admin");
  EXPECT_STREQ(c.userpassword, "");
  EXPECT_EQ(c.webport, 80);
  EXPECT_EQ(c.localport, 3000);
  EXPECT_EQ(c.multiport, 6500);
  EXPECT_EQ(c.channel, 1);
  EXPECT_EQ(0, std::memcmp(c.mac, "0.0.0\0", 6));
  // No plug-in beside the library: nothing loaded, no handle.
  EXPECT_TRUE(CamSearchMgr::m_dllInstanceMap.empty());
  EXPECT_EQ(GetRookeryHandle(L"Deviceorvel@0.0.0.0@0.0.0.0"), -1);
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, EveryKeyIsReadAndOverlongTextIsCut) {
  RunScenario("EveryKeyIsReadAndOverlongTextIsCut",
              "[system]\r\nCameraNumber=3\r\nCameraIDList=0003#0005#0009#\r\n" + kCam3 +
                  "[Camera5]\r\nurl=10.0.0.2-0123456789012345678901234567890123456789\r\ncameratype=quil\r\n"
                  "sername=\xD6\xD0\xCE\xC4-0123456789012345678901234567890123456789\r\n" +
                  kCam9 + kQuilDll,
              {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, EveryKeyIsReadAndOverlongTextIsCut) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 3u);
  const CAMLIST_ITEM& a = *m->GetCamInfo(0);
  EXPECT_STREQ(a.name, "cam1");
  EXPECT_STREQ(a.ip, "10.0.0.1");
  EXPECT_EQ(0, std::memcmp(a.mac, "Q1W2E\0", 6));
  EXPECT_STREQ(a.submask, "255.255.255.0");
  EXPECT_STREQ(a.gateway, "10.0.0.254");
  EXPECT_STREQ(a.multiip, "224.1.1.1");
  EXPECT_STREQ(a.dns, "10.0.0.253");
  EXPECT_STREQ(a.cameratype, "quil");
  EXPECT_STREQ(a.username, "root");
  EXPECT_STREQ(a.userpassword, "pw");
  EXPECT_EQ(a.webport, 81);
  EXPECT_EQ(a.localport, 82);
  EXPECT_EQ(a.multiport, 83);
  EXPECT_EQ(a.channel, 2);
  // The second section's values are longer than their fields.
  const CAMLIST_ITEM& b = *m->GetCamInfo(1);
  EXPECT_STREQ(b.ip, "10.0.0.2-0123456789");
  EXPECT_EQ(std::strlen(b.name), 39u);
  EXPECT_EQ(0, std::memcmp(b.name, "\xD6\xD0\xCE\xC4-", 5));
  EXPECT_STREQ(m->GetCamStringInfo(1u),
               (std::wstring(L"Devicequil@10.0.0.2-0123456789@\x4E2D\x6587-") +
                L"0123456789012345678901234567890123")
                   .c_str());
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, LookupIsExactAndNeedsTwoAtSigns) {
  RunScenario("LookupIsExactAndNeedsTwoAtSigns", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, LookupIsExactAndNeedsTwoAtSigns) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  CAMLIST_ITEM* cam2 = m->GetCamInfoFromString(L"Devicequil@10.0.0.2@cam2");
  ASSERT_NE(cam2, nullptr);
  EXPECT_EQ(cam2, m->GetCamInfo(1));
  EXPECT_EQ(m->GetCamIndex(cam2), 1u);
  EXPECT_EQ(m->GetCamIndex(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(m->GetCamInfoFromString(L"devicequil@10.0.0.2@cam2"), nullptr);
  EXPECT_EQ(m->GetCamInfoFromString(L"Devicequil@10.0.0.2@CAM2"), nullptr);
  EXPECT_EQ(m->GetCamInfoFromString(L"Devicequil@10.0.0.2"), nullptr);
  EXPECT_EQ(m->GetCamInfoFromString(L"Devicequil@10.0.0.2@cam"), nullptr);
  EXPECT_EQ(m->GetCamInfoFromString(nullptr), nullptr);
  EXPECT_FALSE(m->AddCamToUsing(L"Devicequil@10.0.0.2", true));
  EXPECT_FALSE(m->IsCamIsUsing(L"devicequil@10.0.0.2@cam2"));
  EXPECT_FALSE(m->RemoveCamFromUsing(L"nothing", true));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"3");  // nothing was saved
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, InUseSetAndSaving) {
  RunScenario("InUseSetAndSaving", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, InUseSetAndSaving) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  const wchar_t* cam1 = L"Devicequil@10.0.0.1@cam1";
  EXPECT_TRUE(m->AddCamToUsing(cam1, false));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"3");  // not saved
  EXPECT_TRUE(m->AddCamToUsing(cam1, true));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"2");
  EXPECT_EQ(Ini(L"System", L"CameraIDList"), L"0000#0001#");
  for (const wchar_t* section : {L"Camera0", L"Camera1"}) {
    EXPECT_EQ(Ini(section, L"sername"), L"cam1");
    EXPECT_EQ(Ini(section, L"url"), L"10.0.0.1");
    EXPECT_EQ(Ini(section, L"mac"), L"Q1W2E");
    EXPECT_EQ(Ini(section, L"cameratype"), L"quil");
    EXPECT_EQ(Ini(section, L"username"), L"root");
    EXPECT_EQ(Ini(section, L"userpassword"), L"pw");
    EXPECT_EQ(Ini(section, L"webport"), L"81");
    EXPECT_EQ(Ini(section, L"localport"), L"82");
    EXPECT_EQ(Ini(section, L"multiport"), L"83");
    EXPECT_EQ(Ini(section, L"channel"), L"2");
    EXPECT_EQ(Ini(section, L"gateway"), L"10.0.0.254");
    EXPECT_EQ(Ini(section, L"submask"), L"255.255.255.0");
    EXPECT_EQ(Ini(section, L"multiip"), L"<missing>");
    EXPECT_EQ(Ini(section, L"dns"), L"<missing>");
  }
  EXPECT_TRUE(m->RemoveCamFromUsing(cam1, true));
  EXPECT_TRUE(m->IsCamIsUsing(cam1));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"1");
  EXPECT_TRUE(m->RemoveCamFromUsing(cam1, true));
  EXPECT_FALSE(m->IsCamIsUsing(cam1));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"0");
  EXPECT_EQ(Ini(L"System", L"CameraIDList"), L"");
  EXPECT_FALSE(m->RemoveCamFromUsing(cam1, true));
  EXPECT_FALSE(m->IsCamIsUsing(L"Devicequil@10.0.0.2@cam2"));
  CamSearchMgr::ReleaseInstance();
}

// --- plug-in loader -------------------------------------------------------------------

TEST(RookeryDll, TwoFamiliesLoadTwoLibraries) {
  RunScenario("TwoFamiliesLoadTwoLibraries",
              "[system]\r\nCameraNumber=4\r\nCameraIDList=0003#0004#0009#0010#\r\n" + kCam3 + kCam4 +
                  kCam9 + kQuilDll +
                  "[Camera10]\r\nsername=cam4\r\nurl=10.0.0.4\r\ncameratype=broken\r\n"
                  "[broken]\r\nCameraDllName=NoFactory.dll\r\n",
              {L"RecordingQuil.dll", L"orvel.dll", L"NoFactory.dll"});
}
TEST(InScenario, TwoFamiliesLoadTwoLibraries) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 4u);
  ASSERT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 2u);
  const CameraDllInstance& first = CamSearchMgr::m_dllInstanceMap.front();
  const CameraDllInstance& second = CamSearchMgr::m_dllInstanceMap.back();
  EXPECT_STREQ(first.name, "quil");
  EXPECT_STREQ(second.name, "orvel");
  EXPECT_EQ(first.module, GetModuleHandleW(L"RecordingQuil.dll"));
  EXPECT_EQ(second.module, GetModuleHandleW(L"orvel.dll"));  // no [orvel] section: "orvel"
  EXPECT_NE(first.factory, nullptr);
  char upper[] = "QUIL", lower[] = "quil", orvel[] = "Orvel", other[] = "broken";
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(upper), &first);
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(lower), &first);
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(orvel), &second);
  // A library without the factory is passed over and unloaded again.
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(other), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"NoFactory.dll"), nullptr);
  EXPECT_EQ(GetRookeryHandle(L"Devicebroken@10.0.0.4@cam4"), -1);
  TestPluginLog quil = PluginLog(L"RecordingQuil.dll"), orvelLog = PluginLog(L"orvel.dll");
  EXPECT_STREQ(quil.family, "quil");
  EXPECT_STREQ(orvelLog.family, "orvel");
  EXPECT_EQ(quil.created, 0);  // loading makes no handle object
  CamSearchMgr::ReleaseInstance();
  EXPECT_TRUE(CamSearchMgr::m_dllInstanceMap.empty());
  EXPECT_EQ(GetModuleHandleW(L"RecordingQuil.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"orvel.dll"), nullptr);
}

TEST(RookeryDll, MissingPluginFileGivesMinusOneEveryTime) {
  RunScenario("MissingPluginFileGivesMinusOneEveryTime",
              kIds3 + kCam3 + kCam4 + kCam9 + "[quil]\r\nCameraDllName=NotThere.dll\r\n", {L"orvel.dll"});
}
TEST(InScenario, MissingPluginFileGivesMinusOneEveryTime) {
  IN_SCENARIO();
  const wchar_t* cam1 = L"Devicequil@10.0.0.1@cam1";
  // No manager yet: the first call makes it in null mode.
  EXPECT_EQ(GetRookeryHandle(cam1), -1);
  EXPECT_EQ(GetRookeryHandle(cam1), -1);
  EXPECT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 1u);  // orvel only
  KV_CHANNMOTION motion = {};
  char type[] = "quil", name[] = "cam1", ip[] = "10.0.0.1", user[] = "root", pw[] = "pw";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 1, user, pw, &motion, 81), 0);
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, name, ip, 1, user, pw, &motion, 81), 0);
  EXPECT_NE(GetRookeryHandle(L"Deviceorvel@10.0.0.3@cam3"), -1);
  StopCameraPlay();
  CamSearchMgr::ReleaseInstance();
}

// --- play handles, callbacks, PTZ, motion parameters ----------------------------------

TEST(RookeryDll, PlayHandles) {
  RunScenario("PlayHandles", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, PlayHandles) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_NE(m, nullptr);
  PluginReset(L"RecordingQuil.dll", 1234);
  const wchar_t* cam1 = L"Devicequil@10.0.0.1@cam1";
  long a = GetRookeryHandle(cam1);
  long b = GetRookeryHandle(cam1);
  ASSERT_NE(a, -1);
  EXPECT_EQ(a, b);
  TestPluginLog log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.created, 1);
  EXPECT_EQ(log.opened, 1);
  EXPECT_STREQ(log.lastOpenName, "cam1");
  EXPECT_EQ(GetCameraRealHandle(a), 1234);
  EXPECT_EQ(GetCameraRealHandle(-1), -1);

  long c = GetRookeryHandle(L"Devicequil@10.0.0.2@cam2");
  EXPECT_NE(c, a);
  EXPECT_EQ(GetRookeryHandle(L"Devicequil@10.0.0.9@nobody"), -1);

  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(a, 5, 7, 0, nullptr, 0), 1);
  log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.ptz, 1);
  EXPECT_EQ(log.lastPtzCommand, 5);
  EXPECT_EQ(log.lastPtzParam, 7);
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(-1, 5, 7, 0, nullptr, 0), -1);

  StopCameraPlay(cam1);  // closes, keeps the entry
  EXPECT_EQ(GetCameraRealHandle(a), -1);
  EXPECT_EQ(GetRookeryHandle(cam1), a);
  log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.closed, 1);
  EXPECT_EQ(log.destroyed, 0);
  EXPECT_EQ(log.opened, 2);  // cam1 and cam2, each once
  ReStartPlay(cam1);
  EXPECT_EQ(GetCameraRealHandle(a), 1234);
  EXPECT_EQ(PluginLog(L"RecordingQuil.dll").reopened, 1);
  StopCameraPlay(L"Devicequil@10.0.0.9@nobody");  // nothing to stop
  ReStartPlay(nullptr);

  StopCameraPlay();  // destroys every entry
  log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.destroyed, 2);
  EXPECT_EQ(log.closed, 3);
  GetRookeryHandle(cam1);
  log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.created, 3);
  EXPECT_EQ(log.opened, 3);
  CamSearchMgr::ReleaseInstance();  // empties the play table before unloading
}

namespace {
struct Seen {
  int calls = 0;
  long real = 0;
  int event = 0, value = 0;
};
std::string g_order;
void OnEventA(long real, int event, int value, void* user) {
  auto* s = static_cast<Seen*>(user);
  ++s->calls;
  s->real = real;
  s->event = event;
  s->value = value;
  g_order += "A";
}
void OnEventB(long, int, int, void* user) {
  ++static_cast<Seen*>(user)->calls;
  g_order += "B";
}
}  // namespace

TEST(RookeryDll, CallbacksAndStaleRealHandles) {
  RunScenario("CallbacksAndStaleRealHandles", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, CallbacksAndStaleRealHandles) {
  IN_SCENARIO();
  CamSearchMgr::GetInstance(nullptr);
  PluginReset(L"RecordingQuil.dll", 77);
  Seen one, two, three;
  EXPECT_EQ(AddRookeryCallBack(&OnEventA, &one), 1);
  EXPECT_EQ(AddRookeryCallBack(&OnEventA, &two), 1);
  EXPECT_EQ(AddRookeryCallBack(&OnEventA, &one), 1);  // the same pair once
  EXPECT_EQ(AddRookeryCallBack(&OnEventB, &three), 1);
  const wchar_t* cam1 = L"Devicequil@10.0.0.1@cam1";
  ASSERT_NE(GetRookeryHandle(cam1), -1);

  EXPECT_EQ(PluginRaise(L"RecordingQuil.dll", 77, 2, 1), 1);
  EXPECT_EQ(g_order, "AAB");
  EXPECT_EQ(one.calls, 1);
  EXPECT_EQ(two.calls, 1);
  EXPECT_EQ(three.calls, 1);
  EXPECT_EQ(one.real, 77);
  EXPECT_EQ(one.event, 2);
  EXPECT_EQ(one.value, 1);

  PluginRaise(L"RecordingQuil.dll", 78, 2, 1);  // not the handle's real handle
  EXPECT_EQ(one.calls, 1);
  StopCameraPlay(cam1);
  PluginRaise(L"RecordingQuil.dll", 77, 2, 1);  // stale after the close
  EXPECT_EQ(one.calls, 1);
  ReStartPlay(cam1);
  PluginRaise(L"RecordingQuil.dll", 77, 2, 1);
  EXPECT_EQ(one.calls, 2);

  EXPECT_EQ(RemoveRookeryCallBack(&OnEventB, &one), 0);  // never registered
  EXPECT_EQ(RemoveRookeryCallBack(&OnEventA, &two), 1);
  EXPECT_EQ(RemoveRookeryCallBack(&OnEventA, &two), 0);
  PluginRaise(L"RecordingQuil.dll", 77, 2, 1);
  EXPECT_EQ(one.calls, 3);
  EXPECT_EQ(two.calls, 2);
  EXPECT_EQ(three.calls, 3);
  RemoveRookeryCallBack(&OnEventA, &one);
  RemoveRookeryCallBack(&OnEventB, &three);
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, MotionParametersThroughAOneCallObject) {
  RunScenario("MotionParametersThroughAOneCallObject", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, MotionParametersThroughAOneCallObject) {
  IN_SCENARIO();
  // No manager yet: finding the plug-in makes it in null mode.
  KV_CHANNMOTION motion = {};
  char type[] = "QUIL", name[] = "cam1", ip[] = "10.0.0.1", user[] = "root", pw[] = "pw";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 3, user, pw, &motion, 81), 1);
  EXPECT_EQ(motion.motionArmed, 1);
  EXPECT_EQ(motion.schedule[6].day, 3);
  EXPECT_EQ(motion.schedule[6].endHour, 81);
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, name, ip, 3, user, pw, &motion, 81), 1);
  TestPluginLog log = PluginLog(L"RecordingQuil.dll");
  EXPECT_EQ(log.getMotion, 1);
  EXPECT_EQ(log.setMotion, 1);
  EXPECT_EQ(log.created, 2);
  EXPECT_EQ(log.destroyed, 2);  // each object served one call and was deleted
  EXPECT_EQ(log.opened, 0);
  char none[] = "none";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(none, name, ip, 3, user, pw, &motion, 81), 0);
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(nullptr, name, ip, 3, user, pw, &motion, 81), 0);
  CamSearchMgr::ReleaseInstance();
}

// --- lifetime and copies --------------------------------------------------------------

TEST(RookeryDll, CopiesShareNeitherLockNorSetNorPlugins) {
  RunScenario("CopiesShareNeitherLockNorSetNorPlugins", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, CopiesShareNeitherLockNorSetNorPlugins) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  const wchar_t* cam1 = L"Devicequil@10.0.0.1@cam1";
  const wchar_t* cam2 = L"Devicequil@10.0.0.2@cam2";
  HWND window = reinterpret_cast<HWND>(0x1234);
  m->SetWndNotify(window, 3482);
  m->AddCamToUsing(cam1, false);
  {
    CamSearchMgr copy(*m);
    EXPECT_EQ(MgrPeek::Thread(copy), nullptr);
    EXPECT_EQ(MgrPeek::Window(copy), window);
    EXPECT_TRUE(copy.IsCamIsUsing(cam1));
    copy.AddCamToUsing(cam2, false);
    EXPECT_TRUE(copy.IsCamIsUsing(cam2));
    EXPECT_FALSE(m->IsCamIsUsing(cam2));

    CamSearchMgr other(copy);
    other = *m;  // assignment: the live set, own lock
    EXPECT_FALSE(other.IsCamIsUsing(cam2));
    EXPECT_TRUE(other.IsCamIsUsing(cam1));
    other = other;
    EXPECT_EQ(MgrPeek::UsingCount(other), 1u);
    m->AddCamToUsing(cam2, false);
    EXPECT_FALSE(other.IsCamIsUsing(cam2));
  }
  // The copies' end left the live manager whole: event, plug-ins, its own set.
  EXPECT_EQ(CamSearchMgr::GetInstance(nullptr), m);
  EXPECT_TRUE(Signalled(L"CamSearchResult"));
  EXPECT_NE(CamSearchMgr::m_hEvent, nullptr);
  EXPECT_EQ(WaitForSingleObject(CamSearchMgr::m_hEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 2u);
  EXPECT_NE(GetRookeryHandle(cam1), -1);
  EXPECT_TRUE(m->IsCamIsUsing(cam2));
  m->SetWndNotify(nullptr, 0);
  CamSearchMgr::ReleaseInstance();
  EXPECT_EQ(CamSearchMgr::m_hEvent, nullptr);
}

TEST(RookeryDll, ReleaseAndMakeAgain) {
  RunScenario("ReleaseAndMakeAgain", kQuilCameras, {L"RecordingQuil.dll", L"orvel.dll"});
}
TEST(InScenario, ReleaseAndMakeAgain) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  CAMLIST_ITEM* first = m->GetCamInfo(0);
  ASSERT_NE(GetRookeryHandle(L"Devicequil@10.0.0.1@cam1"), -1);
  CamSearchMgr::ReleaseInstance();
  CamSearchMgr::ReleaseInstance();  // nothing left to release
  EXPECT_EQ(GetModuleHandleW(L"RecordingQuil.dll"), nullptr);
  // Records outlive the manager; a new one refreshes them instead of adding more.
  EXPECT_STREQ(first->name, "cam1");
  m = CamSearchMgr::GetInstance(nullptr);
  EXPECT_EQ(m->GetCamCount(), 3u);
  EXPECT_EQ(m->GetCamInfo(0), first);
  EXPECT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 2u);
  EXPECT_NE(GetRookeryHandle(L"Devicequil@10.0.0.1@cam1"), -1);
  CamSearchMgr::ReleaseInstance();
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--in-scenario") == 0) g_inScenario = true;
  }
  if (!g_inScenario) {
    std::string filter = ::testing::GTEST_FLAG(filter);
    ::testing::GTEST_FLAG(filter) =
        filter + (filter.find('-') == std::string::npos ? "-" : ":") + "InScenario.*";
  }
  return RUN_ALL_TESTS();
}
