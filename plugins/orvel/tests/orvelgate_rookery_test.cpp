// Orvelgate.dll as Rookery loads it, with the NetClient.dll stand-in beside it. Each test
// runs its InScenario twin in a child process in its own directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <string>

#include "Rookery.h"
#include "netclient_standin.h"
#include "scenario.h"

using namespace rookery_test;

namespace {

#define IN_SCENARIO() \
  if (!g_inScenario) GTEST_SKIP()

const std::string kConfig =
    "[system]\r\nCameraNumber=1\r\nCameraIDList=0000#\r\n"
    "[Camera0]\r\nsername=cam3\r\nurl=127.0.0.1\r\ncameratype=orvel\r\nlocalport=3000\r\n"
    "[orvel]\r\nCameraDllName=Orvelgate.dll\r\n";
const wchar_t* const kCam = L"Deviceorvel@127.0.0.1@cam3";

void RunScenario(const std::string& test) {
  Scenario s(test);
  s.WriteConfig(kConfig);
  s.AddFile(L"Orvelgate.dll");
  s.AddFile(L"NetClient.dll");
  std::string output;
  EXPECT_TRUE(s.Run(test, &output)) << output;
}

template <typename Fn>
Fn Ordinal(HMODULE module, int ordinal) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

struct Standin {
  HMODULE module = LoadLibraryW(L"NetClient.dll");
  std::string Log() {
    char text[16384];
    Ordinal<NCS_GetLogProc>(module, 1001)(text, sizeof text);
    return text;
  }
  void Clear() { Ordinal<NCS_ClearLogProc>(module, 1002)(); }
  int Switch(const char* name, int value) { return Ordinal<NCS_SetSwitchProc>(module, 1003)(name, value); }
  int Raise(long h, int event, int value) { return Ordinal<NCS_RaiseEventProc>(module, 1004)(h, event, value); }
};

struct Seen {
  std::atomic<int> calls{0};
  std::atomic<long> real{0};
  std::atomic<int> code{0};
};
Seen g_seen;
void OnEvent(long real, int event, int value, void* user) {
  if (user != &g_seen) return;
  g_seen.real = real;
  g_seen.code = event * 10 + value;
  ++g_seen.calls;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

}  // namespace

TEST(OrvelgateThroughRookery, PlayHandleEventsPtzCloseAndMotion) { RunScenario("PlayHandleEventsPtzCloseAndMotion"); }
TEST(InScenario, PlayHandleEventsPtzCloseAndMotion) {
  IN_SCENARIO();
  Standin netclient;
  ASSERT_NE(netclient.module, nullptr);
  AddRookeryCallBack(&OnEvent, &g_seen);
  long play = GetRookeryHandle(kCam);
  ASSERT_NE(play, -1);
  const long h = GetCameraRealHandle(play);
  ASSERT_GE(h, 3001);
  const std::string H = std::to_string(h);
  EXPECT_EQ(netclient.Log(), "1(0,0,0,0,0)=1\n3(2,1)=1\n5(127.0.0.1,ptr,3000,0)=" + H + "\n141(" + H + ",0)=1\n");

  // An event of the camera reaches Rookery's callbacks with the connection handle.
  ASSERT_EQ(netclient.Raise(h, 2, 1), 1);
  ASSERT_TRUE(WaitUntil([] { return g_seen.calls == 1; }));
  EXPECT_EQ(g_seen.real, h);
  EXPECT_EQ(g_seen.code, 21);

  netclient.Clear();
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(play, 9, 4, 0, nullptr, 0), 1);
  EXPECT_EQ(netclient.Log(), "20(" + H + ",9,4,0,0,0)=1\n");
  netclient.Clear();
  StopCameraPlay(kCam);
  EXPECT_EQ(netclient.Log(), "112(" + H + ")=1\n20(" + H + ",13,20,0,0,0)=1\n71()=1\n9(" + H + ",0)=1\n8(" + H +
                                 ")=1\n6(" + H + ")=1\n");
  // The same play handle connects again when its real handle is asked for.
  EXPECT_EQ(GetRookeryHandle(kCam), play);
  const long again = GetCameraRealHandle(play);
  EXPECT_EQ(again, h + 1);

  netclient.Clear();
  char type[] = "orvel", name[] = "cam3", ip[] = "127.0.0.1", user[] = "admin", pw[] = "pw";
  KV_CHANNMOTION motion;
  std::memset(&motion, 0, sizeof motion);
  motion.motionArmed = 1;
  motion.schedule[2] = {6, 0, 7, 45, 2, {0, 0, 0}};
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, name, ip, 5, user, pw, &motion, 3000), 1);
  KV_CHANNMOTION back;
  std::memset(&back, 0, sizeof back);
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 5, user, pw, &back, 3000), 1);
  EXPECT_EQ(std::memcmp(&back, &motion, sizeof back), 0);
  EXPECT_EQ(netclient.Log(), "46(cam3,127.0.0.1,0,admin,pw,ptr,3000)=1\n45(cam3,127.0.0.1,0,admin,pw,ptr,3000)=1\n");

  netclient.Clear();
  RemoveRookeryCallBack(&OnEvent, &g_seen);
  CamSearchMgr::ReleaseInstance();  // closes the handle, then unloads the plug-in
  EXPECT_EQ(netclient.Log().substr(0, 5 + std::to_string(again).size()), "112(" + std::to_string(again) + ")");
  EXPECT_NE(netclient.Log().find("4()=1\n"), std::string::npos);
  EXPECT_EQ(GetModuleHandleW(L"Orvelgate.dll"), nullptr);
}

TEST(OrvelgateThroughRookery, RefusedConfigurationLeavesTheFamilyWithoutPlugIn) {
  RunScenario("RefusedConfigurationLeavesTheFamilyWithoutPlugIn");
}
TEST(InScenario, RefusedConfigurationLeavesTheFamilyWithoutPlugIn) {
  IN_SCENARIO();
  Standin netclient;
  ASSERT_NE(netclient.module, nullptr);
  ASSERT_EQ(netclient.Switch("configure", 0), 1);
  EXPECT_EQ(GetRookeryHandle(kCam), -1);
  char type[] = "orvel";
  EXPECT_EQ(CamSearchMgr::FindCameraInstance(type), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"Orvelgate.dll"), nullptr);
  EXPECT_EQ(netclient.Log().substr(0, 24), "1(0,0,0,0,0)=1\n3(2,1)=0\n");
  EXPECT_EQ(netclient.Log().find("5("), std::string::npos);
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
