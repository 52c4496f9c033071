// Rookery.dll as a caller linked against it sees it: the configuration file, the plug-in
// loader, play handles, callbacks, PTZ and motion parameters. Each RookeryDll test prepares
// a directory and runs its InScenario twin there in a child process, so that every scenario
// starts from an empty library. Nothing here uses "quil" mode: nothing searches.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Rookery.h"
#include "scenario.h"
#include "test_plugin_log.h"

using namespace rookery_test;

namespace {

struct MgrPeek : CamSearchMgr {  // protected members, through a pointer to member
  static HANDLE Thread(CamSearchMgr& m) { return m.*(&MgrPeek::m_hSearchThread); }
  static HWND Window(CamSearchMgr& m) { return m.*(&MgrPeek::m_hWndNotify); }
};

std::wstring Ini(const wchar_t* section, const wchar_t* key) {
  wchar_t value[2000];
  GetPrivateProfileStringW(section, key, L"<missing>", value, 2000,
                           (ProgramDirectory() + L"DoderadIrava.ini").c_str());
  return value;
}

template <typename Fn>
Fn Plugin(const wchar_t* file, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(file), name)));
}
TestPluginLog Log() {
  TestPluginLog log = {};
  if (auto get = Plugin<TestPluginGetLogProc>(L"RecordingQuil.dll", "TestPluginGetLog")) get(&log);
  return log;
}
int Raise(long real) { return Plugin<TestPluginRaiseProc>(L"RecordingQuil.dll", "TestPluginRaise")(real, 2, 1); }

const std::string kIds3 = "[system]\r\nCameraNumber=3\r\nCameraIDList=0003#0004#0009#\r\n";
const std::string kCam3 =
    "[Camera3]\r\nsername=cam1\r\nurl=10.0.0.1\r\ncameratype=quil\r\nusername=root\r\nuserpassword=pw\r\n"
    "webport=81\r\nlocalport=82\r\nmultiport=83\r\nchannel=2\r\nmac=Q1W2E\r\nsubmask=255.255.255.0\r\n"
    "gateway=10.0.0.254\r\nmultiip=224.1.1.1\r\ndns=10.0.0.253\r\n";
const std::string kCam4 = "[Camera4]\r\nsername=cam2\r\nurl=10.0.0.2\r\ncameratype=quil\r\n";
const std::string kCam9 = "[Camera9]\r\nsername=cam3\r\nurl=10.0.0.3\r\ncameratype=orvel\r\n";
const std::string kQuilDll = "[quil]\r\nCameraDllName=RecordingQuil.dll\r\n";
const std::string kThree = kIds3 + kCam3 + kCam4 + kCam9 + kQuilDll;
const wchar_t* const kCam1 = L"Devicequil@10.0.0.1@cam1";
const wchar_t* const kCam2 = L"Devicequil@10.0.0.2@cam2";

void RunScenario(const std::string& test, const std::string& config,
                 std::initializer_list<const wchar_t*> files = {L"RecordingQuil.dll", L"orvel.dll"}) {
  Scenario s(test);
  s.WriteConfig(config);
  for (const wchar_t* f : files) s.AddFile(f);
  std::string output;
  EXPECT_TRUE(s.Run(test, &output)) << output;
}

#define IN_SCENARIO() \
  if (!g_inScenario) GTEST_SKIP()

}  // namespace

TEST(RookeryDll, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  RunScenario("CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7",
              "[system]\r\nCameraNumber=2\r\nCameraIDList=0003#0007#\r\n"
              "[Camera3]\r\nsername=three\r\nurl=10.0.0.3\r\n[Camera5]\r\nsername=five\r\n"
              "[Camera7]\r\nsername=seven\r\nurl=10.0.0.7\r\n[Camera8]\r\n",
              {L"orvel.dll"});
}
TEST(InScenario, CountTwoWithIdsThreeAndSevenReadsCamera3AndCamera7) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 2u);
  EXPECT_EQ(CamSearchMgr::m_listCamer.size(), 2u);
  EXPECT_STREQ(m->GetCamStringInfo(0u), L"Deviceorvel@10.0.0.3@three");
  EXPECT_STREQ(m->GetCamStringInfo(m->GetCamInfo(1)), L"Deviceorvel@10.0.0.7@seven");
  EXPECT_EQ(m->GetCamInfo(2), nullptr);
  EXPECT_EQ(m->GetCamStringInfo(2u), nullptr);
  HANDLE done = OpenEventW(SYNCHRONIZE, FALSE, L"CamSearchResult");
  EXPECT_EQ(WaitForSingleObject(done, 0), WAIT_OBJECT_0);
  CloseHandle(done);
  // A later mode is ignored: the same manager, and no search thread.
  EXPECT_EQ(CamSearchMgr::GetInstance(L"quil"), m);
  EXPECT_EQ(MgrPeek::Thread(*m), nullptr);
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, EmptySectionGivesTheDefaults) {
  RunScenario("EmptySectionGivesTheDefaults", "[system]\r\nCameraNumber=1\r\nCameraIDList=0004#\r\n", {});
}
TEST(InScenario, EmptySectionGivesTheDefaults) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 1u);
  const CAMLIST_ITEM& c = *m->GetCamInfo(0);
  for (const char* dotted : {c.name, c.ip, c.submask, c.gateway, c.multiip, c.dns}) {
    EXPECT_STREQ(dotted, "0.0.0.0");
  }
  EXPECT_STREQ(c.cameratype, "orvel");
  EXPECT_STREQ(c.username, "admin");
  EXPECT_STREQ(c.userpassword, "");
  EXPECT_EQ(c.webport, 80);
  EXPECT_EQ(c.localport, 3000);
  EXPECT_EQ(c.multiport, 6500);
  EXPECT_EQ(c.channel, 1);
  EXPECT_EQ(0, std::memcmp(c.mac, "0.0.0\0", 6));
  EXPECT_TRUE(CamSearchMgr::m_dllInstanceMap.empty());  // no orvel.dll beside the library
  EXPECT_EQ(GetRookeryHandle(L"Deviceorvel@0.0.0.0@0.0.0.0"), -1);
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, KeysOverlongTextAndLookup) {
  RunScenario("KeysOverlongTextAndLookup",
              "[system]\r\nCameraNumber=3\r\nCameraIDList=0003#0005#0004#\r\n" + kCam3 + kCam4 +
                  "[Camera5]\r\nurl=10.0.0.5-0123456789012345678901234567890123456789\r\ncameratype=quil\r\n"
                  "sername=\xD6\xD0\xCE\xC4-0123456789012345678901234567890123456789\r\n" + kQuilDll);
}
TEST(InScenario, KeysOverlongTextAndLookup) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(m->GetCamCount(), 3u);
  const CAMLIST_ITEM& a = *m->GetCamInfo(0);
  EXPECT_STREQ(a.name, "cam1");
  EXPECT_EQ(0, std::memcmp(a.mac, "Q1W2E\0", 6));
  EXPECT_STREQ(a.gateway, "10.0.0.254");
  EXPECT_STREQ(a.multiip, "224.1.1.1");
  EXPECT_STREQ(a.dns, "10.0.0.253");
  EXPECT_STREQ(a.username, "root");
  EXPECT_STREQ(a.userpassword, "pw");
  EXPECT_EQ(a.webport, 81);
  EXPECT_EQ(a.localport, 82);
  EXPECT_EQ(a.multiport, 83);
  EXPECT_EQ(a.channel, 2);
  // Cut to the fields: 19 bytes of address, 39 bytes of name (code page 936 text).
  const CAMLIST_ITEM& b = *m->GetCamInfo(1);
  EXPECT_STREQ(b.ip, "10.0.0.5-0123456789");
  EXPECT_EQ(std::strlen(b.name), 39u);
  std::wstring cut = std::wstring(L"Devicequil@10.0.0.5-0123456789@\x4E2D\x6587-") + L"0123456789012345678901234567890123";
  EXPECT_STREQ(m->GetCamStringInfo(&const_cast<CAMLIST_ITEM&>(b)), cut.c_str());
  EXPECT_EQ(m->GetCamInfoFromString(cut.c_str()), &b);
  // Lookup: exact, case-sensitive, two '@' needed.
  CAMLIST_ITEM* cam2 = m->GetCamInfoFromString(kCam2);
  ASSERT_EQ(cam2, m->GetCamInfo(2));
  EXPECT_EQ(m->GetCamIndex(cam2), 2u);
  EXPECT_EQ(m->GetCamIndex(nullptr), 0xFFFFFFFFu);
  for (const wchar_t* miss : {L"devicequil@10.0.0.2@cam2", L"Devicequil@10.0.0.2@CAM2", L"Devicequil@10.0.0.2",
                              L"Devicequil@10.0.0.2@cam"}) {
    EXPECT_EQ(m->GetCamInfoFromString(miss), nullptr);
    EXPECT_FALSE(m->AddCamToUsing(miss, true));
    EXPECT_FALSE(m->IsCamIsUsing(miss));
  }
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"3");  // nothing saved
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, InUseSetAndSaving) { RunScenario("InUseSetAndSaving", kThree); }
TEST(InScenario, InUseSetAndSaving) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  EXPECT_TRUE(m->AddCamToUsing(kCam1, false));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"3");  // not saved
  EXPECT_TRUE(m->AddCamToUsing(kCam1, true));  // twice: two entries, two sections
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"2");
  EXPECT_EQ(Ini(L"System", L"CameraIDList"), L"0000#0001#");
  for (const wchar_t* section : {L"Camera0", L"Camera1"}) {
    EXPECT_EQ(Ini(section, L"sername") + Ini(section, L"url") + Ini(section, L"mac") + Ini(section, L"cameratype") +
                  Ini(section, L"username") + Ini(section, L"userpassword") + Ini(section, L"gateway") +
                  Ini(section, L"submask"),
              L"cam110.0.0.1Q1W2Equilrootpw10.0.0.254255.255.255.0");
    EXPECT_EQ(Ini(section, L"webport") + Ini(section, L"localport") + Ini(section, L"multiport") +
                  Ini(section, L"channel"),
              L"8182832");
    EXPECT_EQ(Ini(section, L"multiip") + Ini(section, L"dns"), L"<missing><missing>");
  }
  EXPECT_TRUE(m->RemoveCamFromUsing(kCam1, true));  // once: still in use
  EXPECT_TRUE(m->IsCamIsUsing(kCam1));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"1");
  EXPECT_TRUE(m->RemoveCamFromUsing(kCam1, true));
  EXPECT_FALSE(m->IsCamIsUsing(kCam1));
  EXPECT_EQ(Ini(L"system", L"CameraNumber"), L"0");
  EXPECT_EQ(Ini(L"System", L"CameraIDList"), L"");
  EXPECT_FALSE(m->RemoveCamFromUsing(kCam1, true));
  CamSearchMgr::ReleaseInstance();
}

TEST(RookeryDll, TwoFamiliesLoadTwoLibraries) {
  RunScenario("TwoFamiliesLoadTwoLibraries",
              "[system]\r\nCameraNumber=4\r\nCameraIDList=0003#0004#0009#0010#\r\n" + kCam3 + kCam4 + kCam9 +
                  kQuilDll + "[Camera10]\r\nsername=cam4\r\nurl=10.0.0.4\r\ncameratype=broken\r\n"
                  "[broken]\r\nCameraDllName=NoFactory.dll\r\n",
              {L"RecordingQuil.dll", L"orvel.dll", L"NoFactory.dll"});
}
TEST(InScenario, TwoFamiliesLoadTwoLibraries) {
  IN_SCENARIO();
  CamSearchMgr::GetInstance(nullptr);
  ASSERT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 2u);
  const CameraDllInstance& quil = CamSearchMgr::m_dllInstanceMap.front();
  const CameraDllInstance& orvel = CamSearchMgr::m_dllInstanceMap.back();
  EXPECT_STREQ(quil.name, "quil");
  EXPECT_STREQ(orvel.name, "orvel");
  EXPECT_EQ(quil.module, GetModuleHandleW(L"RecordingQuil.dll"));
  EXPECT_EQ(orvel.module, GetModuleHandleW(L"orvel.dll"));  // no [orvel] section: "orvel"
  char upper[] = "QUIL", mixed[] = "Orvel", broken[] = "broken";
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(upper), &quil);
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(mixed), &orvel);
  // Loaded but without the factory: passed over and unloaded again.
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(broken), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"NoFactory.dll"), nullptr);
  EXPECT_EQ(Log().created, 0);  // loading makes no handle object
  CamSearchMgr::ReleaseInstance();
  EXPECT_TRUE(CamSearchMgr::m_dllInstanceMap.empty());
  EXPECT_EQ(GetModuleHandleW(L"RecordingQuil.dll"), nullptr);
}

TEST(RookeryDll, MissingPluginFileGivesMinusOneEveryTime) {
  RunScenario("MissingPluginFileGivesMinusOneEveryTime",
              kIds3 + kCam3 + kCam4 + kCam9 + "[quil]\r\nCameraDllName=NotThere.dll\r\n", {L"orvel.dll"});
}
TEST(InScenario, MissingPluginFileGivesMinusOneEveryTime) {
  IN_SCENARIO();
  EXPECT_EQ(GetRookeryHandle(kCam1), -1);  // makes the manager in null mode
  EXPECT_EQ(GetRookeryHandle(kCam1), -1);
  KV_CHANNMOTION motion = {};
  char type[] = "quil", name[] = "cam1", ip[] = "10.0.0.1", user[] = "root", pw[] = "pw";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 1, user, pw, &motion, 81), 0);
  EXPECT_NE(GetRookeryHandle(L"Deviceorvel@10.0.0.3@cam3"), -1);
  // Left alive: the process ends with a manager and a play handle, and must end cleanly.
}

namespace {
struct Seen {
  int calls = 0;
  long real = 0;
};
std::string g_order;
void OnEventA(long real, int event, int value, void* user) {
  auto* s = static_cast<Seen*>(user);
  ++s->calls;
  s->real = event == 2 && value == 1 ? real : -99;
  g_order += "A";
}
void OnEventB(long, int, int, void* user) {
  ++static_cast<Seen*>(user)->calls;
  g_order += "B";
}
}  // namespace

TEST(RookeryDll, PlayHandlesCallbacksPtzAndMotion) { RunScenario("PlayHandlesCallbacksPtzAndMotion", kThree); }
TEST(InScenario, PlayHandlesCallbacksPtzAndMotion) {
  IN_SCENARIO();
  // Motion parameters first: they make the manager and serve each call with a fresh object.
  KV_CHANNMOTION motion = {};
  char type[] = "QUIL", none[] = "none", name[] = "cam1", ip[] = "10.0.0.1", user[] = "root", pw[] = "pw";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 3, user, pw, &motion, 81), 1);
  EXPECT_EQ(motion.motionArmed, 1);
  EXPECT_EQ(motion.schedule[6].day, 3);
  TestPluginLog log = Log();
  EXPECT_STREQ(log.motionName, "cam1");
  EXPECT_STREQ(log.motionIp, "10.0.0.1");
  EXPECT_STREQ(log.motionUser, "root");
  EXPECT_STREQ(log.motionPassword, "pw");
  EXPECT_EQ(log.motionChannel, 3);
  EXPECT_EQ(log.motionPort, 81);
  char name2[] = "cam2", ip2[] = "10.0.0.2", user2[] = "admin", pw2[] = "secret";
  motion.schedule[6].endHour = 23;
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, name2, ip2, 4, user2, pw2, &motion, 8081), 1);
  log = Log();
  EXPECT_STREQ(log.motionName, "cam2");
  EXPECT_STREQ(log.motionIp, "10.0.0.2");
  EXPECT_STREQ(log.motionUser, "admin");
  EXPECT_STREQ(log.motionPassword, "secret");
  EXPECT_EQ(log.motionChannel, 4);
  EXPECT_EQ(log.motionPort, 8081);
  EXPECT_EQ(log.motionSetArmed, 1);
  EXPECT_EQ(log.motionSetEndHour, 23) << "the caller's record itself";
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(none, name, ip, 3, user, pw, &motion, 81), 0);
  log = Log();
  EXPECT_EQ(log.created, 2);
  EXPECT_EQ(log.destroyed, 2);
  EXPECT_EQ(log.opened, 0);

  Plugin<TestPluginResetProc>(L"RecordingQuil.dll", "TestPluginReset")(1234);
  Seen one, two, three;
  AddRookeryCallBack(&OnEventA, &one);
  AddRookeryCallBack(&OnEventA, &two);
  EXPECT_EQ(AddRookeryCallBack(&OnEventA, &one), 1);  // the same pair once
  AddRookeryCallBack(&OnEventB, &three);

  long a = GetRookeryHandle(kCam1);
  ASSERT_NE(a, -1);
  EXPECT_EQ(GetRookeryHandle(kCam1), a);
  EXPECT_NE(GetRookeryHandle(kCam2), a);
  EXPECT_EQ(GetRookeryHandle(L"Devicequil@10.0.0.9@nobody"), -1);
  log = Log();
  EXPECT_EQ(log.created, 2);
  EXPECT_EQ(log.opened, 2);  // cam1 once, cam2 once
  EXPECT_EQ(GetCameraRealHandle(a), 1234);
  EXPECT_EQ(GetCameraRealHandle(-1), -1);
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(a, 5, 7, 0, nullptr, 0), 1);
  log = Log();
  EXPECT_EQ(log.lastPtzCommand * 10 + log.lastPtzParam, 57);
  EXPECT_EQ(log.lastPtzReserved, 0);
  EXPECT_EQ(log.lastPtzHadData, 0);
  EXPECT_EQ(log.lastPtzLength, 0);
  char preset[] = "preset-3";
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(a, 6, 9, 42, preset, 8), 1);
  log = Log();
  EXPECT_EQ(log.lastPtzCommand, 6);
  EXPECT_EQ(log.lastPtzParam, 9);
  EXPECT_EQ(log.lastPtzReserved, 42);
  EXPECT_EQ(log.lastPtzLength, 8);
  EXPECT_EQ(log.lastPtzHadData, 1);
  EXPECT_EQ(std::string(log.lastPtzData, 8), "preset-3");
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(-1, 5, 7, 0, nullptr, 0), -1);

  EXPECT_EQ(Raise(1234), 1);  // from cam2's object: cam2's real handle is 1234 too
  EXPECT_EQ(g_order, "AAB");
  EXPECT_EQ(one.real, 1234);
  StopCameraPlay(kCam2);  // closed: its events are stale now
  Raise(1234);
  Raise(1235);
  EXPECT_EQ(g_order, "AAB");
  EXPECT_EQ(GetCameraRealHandle(GetRookeryHandle(kCam2)), -1);  // the same, closed handle
  ReStartPlay(kCam2);
  Raise(1234);
  EXPECT_EQ(g_order, "AABAAB");
  EXPECT_EQ(RemoveRookeryCallBack(&OnEventB, &one), 0);  // never registered
  EXPECT_EQ(RemoveRookeryCallBack(&OnEventA, &two), 1);
  EXPECT_EQ(RemoveRookeryCallBack(&OnEventA, &two), 0);
  Raise(1234);
  EXPECT_EQ(one.calls * 100 + two.calls * 10 + three.calls, 323);

  StopCameraPlay(kCam1);  // keeps the handle
  EXPECT_EQ(GetRookeryHandle(kCam1), a);
  EXPECT_EQ(Log().destroyed, 0);  // counted since the reset
  StopCameraPlay();  // destroys both objects; the next call makes a new one
  EXPECT_EQ(Log().destroyed, 2);
  // A handle kept after that is unknown: nothing is called through it.
  EXPECT_EQ(GetCameraRealHandle(a), -1);
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(a, 5, 8, 0, nullptr, 0), -1);
  EXPECT_EQ(Log().ptz, 2) << "the two calls above, none through the stale handle";
  EXPECT_EQ(Log().lastPtzParam, 9);
  const long renewed = GetRookeryHandle(kCam1);
  EXPECT_NE(renewed, a);
  EXPECT_EQ(GetCameraRealHandle(renewed), 1234);
  EXPECT_EQ(Log().opened, 3);
  RemoveRookeryCallBack(&OnEventA, &one);
  RemoveRookeryCallBack(&OnEventB, &three);
  CamSearchMgr::ReleaseInstance();  // empties the play table before unloading
  EXPECT_EQ(GetModuleHandleW(L"RecordingQuil.dll"), nullptr);
}

TEST(RookeryDll, CopiesReleaseAndANewManager) { RunScenario("CopiesReleaseAndANewManager", kThree); }
TEST(InScenario, CopiesReleaseAndANewManager) {
  IN_SCENARIO();
  CamSearchMgr* m = CamSearchMgr::GetInstance(nullptr);
  HWND window = reinterpret_cast<HWND>(0x1234);
  m->SetWndNotify(window, 3482);
  m->AddCamToUsing(kCam1, false);
  {
    CamSearchMgr copy(*m);
    EXPECT_EQ(MgrPeek::Thread(copy), nullptr);
    EXPECT_EQ(MgrPeek::Window(copy), window);
    EXPECT_TRUE(copy.IsCamIsUsing(kCam1));
    copy.AddCamToUsing(kCam2, false);  // its own set
    EXPECT_FALSE(m->IsCamIsUsing(kCam2));
    CamSearchMgr other(copy);
    other = *m;
    other = other;
    EXPECT_FALSE(other.IsCamIsUsing(kCam2));
    EXPECT_TRUE(other.IsCamIsUsing(kCam1));
  }
  // The copies' end left the live manager whole: its event and its plug-ins.
  EXPECT_EQ(WaitForSingleObject(CamSearchMgr::m_hEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(CamSearchMgr::m_dllInstanceMap.size(), 2u);
  EXPECT_NE(GetRookeryHandle(kCam1), -1);
  m->SetWndNotify(nullptr, 0);
  CAMLIST_ITEM* first = m->GetCamInfo(0);
  CamSearchMgr::ReleaseInstance();
  CamSearchMgr::ReleaseInstance();  // nothing left
  EXPECT_EQ(CamSearchMgr::m_hEvent, nullptr);
  // Records outlive the manager; a new one refreshes them instead of adding more.
  m = CamSearchMgr::GetInstance(nullptr);
  EXPECT_EQ(m->GetCamCount(), 3u);
  EXPECT_EQ(m->GetCamInfo(0), first);
  EXPECT_FALSE(m->IsCamIsUsing(kCam1));  // a new in-use set
  EXPECT_NE(GetRookeryHandle(kCam1), -1);
  CamSearchMgr::ReleaseInstance();
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) g_inScenario |= std::strcmp(argv[i], "--in-scenario") == 0;
  if (!g_inScenario) {
    std::string filter = ::testing::GTEST_FLAG(filter);
    ::testing::GTEST_FLAG(filter) = filter + (filter.find('-') == std::string::npos ? "-" : ":") + "InScenario.*";
  }
  return RUN_ALL_TESTS();
}
