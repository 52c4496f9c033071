// Quilgate.dll as Rookery loads it: "DoderadIrava.ini" names it in the family's section.
// Each test runs its InScenario twin in a child process, in a directory holding Rookery.dll,
// Quilgate.dll and the configuration the child writes for its own stand-in camera.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <fstream>
#include <string>

#include "Rookery.h"
#include "pe_tables.h"
#include "quilcam_camera.h"
#include "quilcam_server.h"
#include "scenario.h"

using namespace rookery_test;
using quilcam::CameraRecord;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

#define IN_SCENARIO() \
  if (!g_inScenario) GTEST_SKIP()

void RunScenario(const std::string& test) {
  Scenario s(test);
  s.AddFile(L"Quilgate.dll");
  std::string output;
  EXPECT_TRUE(s.Run(test, &output)) << output;
}

// Camera 0 is the stand-in on its ports; camera 1 lies on a port nobody serves.
void WriteConfig(uint16_t port, uint16_t deadPort) {
  std::string ini =
      "[system]\r\nCameraNumber=2\r\nCameraIDList=0000#0001#\r\n"
      "[Camera0]\r\nsername=cam1\r\nurl=127.0.0.1\r\ncameratype=quil\r\nusername=admin\r\n"
      "userpassword=pw\r\nlocalport=" + std::to_string(port) + "\r\nwebport=" + std::to_string(port) + "\r\n"
      "[Camera1]\r\nsername=gone\r\nurl=127.0.0.1\r\ncameratype=quil\r\nusername=admin\r\n"
      "userpassword=pw\r\nlocalport=" + std::to_string(deadPort) + "\r\n"
      "[quil]\r\nCameraDllName=Quilgate.dll\r\n";
  std::ofstream((ProgramDirectory() + L"DoderadIrava.ini").c_str(), std::ios::binary) << ini;
}

uint16_t FreePort() {
  quilcam::QuilCamera nobody;
  quilcam::CameraServer s(&nobody);
  EXPECT_TRUE(s.Start(kLoopback, 0, 0));
  uint16_t port = s.localPort();
  s.Stop();
  return port;
}

struct Seen {
  std::atomic<int> calls{0};
  std::atomic<long> real{0};
  std::atomic<int> event{0};
  std::atomic<int> value{0};
  std::atomic<void*> user{nullptr};
};
Seen g_seen;
void OnEvent(long real, int event, int value, void* user) {
  g_seen.real = real;
  g_seen.event = event;
  g_seen.value = value;
  g_seen.user = user;
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

const wchar_t* const kCam = L"Devicequil@127.0.0.1@cam1";
const wchar_t* const kGone = L"Devicequil@127.0.0.1@gone";

}  // namespace

TEST(QuilgateThroughRookery, LoginAlarmsMovesAndMotionParameters) {
  RunScenario("LoginAlarmsMovesAndMotionParameters");
}
TEST(InScenario, LoginAlarmsMovesAndMotionParameters) {
  IN_SCENARIO();
  quilcam::QuilCamera camera;
  quilcam::CameraSettings settings = camera.settings();
  settings.user = "admin";
  settings.password = "pw";
  camera.Configure(settings);
  quilcam::CameraServer server(&camera);
  ASSERT_TRUE(server.Start(kLoopback, 0, 0));
  WriteConfig(server.localPort(), FreePort());

  int marker = 0;
  ASSERT_EQ(AddRookeryCallBack(&OnEvent, &marker), 1);
  long play = GetRookeryHandle(kCam);
  ASSERT_NE(play, -1);
  ASSERT_NE(GetModuleHandleW(L"Quilgate.dll"), nullptr);
  EXPECT_EQ(plugin_test::ExportsOf(GetModuleHandleW(L"Quilgate.dll")).names,
            std::vector<std::string>({"CreateKVCameraHandleObject"}));
  EXPECT_EQ(GetCameraRealHandle(play), 1);
  ASSERT_TRUE(camera.WaitFor([](const CameraRecord& r) { return r.Count(16) == 1; }, 5000));
  CameraRecord r = camera.record();
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_EQ(r.requests[0].compare(0, 26, "GET /set_datetime.cgi?now="), 0);
  EXPECT_EQ(std::string(r.operations[1].payload.begin(), r.operations[1].payload.end()),
            std::string("admin\0\0\0\0\0\0\0\0pw\0\0\0\0\0\0\0\0\0\0\0", 26));

  // An alarm from the camera: (real handle 1, event 2, value 1, the registered user value).
  camera.PushAlarm(1);
  ASSERT_TRUE(WaitUntil([] { return g_seen.calls == 1; }));
  EXPECT_EQ(g_seen.real * 1000 + g_seen.event * 10 + g_seen.value, 1021);
  EXPECT_EQ(g_seen.user, &marker);

  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(play, 0, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(KV_VSNET_ClientPTZCtrl(play, 1, 0, 0, nullptr, 0), 1);
  ASSERT_TRUE(camera.WaitFor([](const CameraRecord& r) { return r.moves.size() == 2; }, 5000));
  EXPECT_EQ(camera.record().moves, std::vector<uint8_t>({4, 6}));

  // Motion parameters through fresh objects of the plug-in: write, then read back.
  char type[] = "quil", name[] = "cam1", ip[] = "127.0.0.1", user[] = "admin", pw[] = "pw";
  KV_CHANNMOTION put;
  std::memset(&put, 0, sizeof put);
  put.motionArmed = 1;
  put.schedule[0] = {2, 0, 4, 0, 0, {0, 0, 0}};
  put.schedule[1] = {12, 30, 13, 0, 8, {0, 0, 0}};
  for (int k = 2; k < 7; ++k) put.schedule[k].day = 99;
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, name, ip, 0, user, pw, &put, server.localPort()), 1);
  EXPECT_EQ(camera.motion().schedule[0][0], 65280);
  EXPECT_EQ(camera.motion().schedule[5][1], 3 << 18);
  KV_CHANNMOTION got;
  std::memset(&got, 0, sizeof got);
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, name, ip, 0, user, pw, &got, server.localPort()), 1);
  EXPECT_EQ(got.motionArmed, 1);
  const int expected[7] = {2000400, 0, 0, 0, 0, 12301300, 12301300};
  for (int k = 0; k < 7; ++k) {
    const KV_MOTION_SCHEDULE& e = got.schedule[k];
    EXPECT_EQ(e.startHour * 1000000 + e.startMinute * 10000 + e.endHour * 100 + e.endMinute, expected[k]) << k;
  }

  // The camera that nobody serves: its handle reports -1, its requests give 0.
  long gone = GetRookeryHandle(kGone);
  ASSERT_NE(gone, -1);
  EXPECT_EQ(GetCameraRealHandle(gone), -1);
  char goneName[] = "gone";
  const uint16_t deadPort = CamSearchMgr::GetInstance(nullptr)->GetCamInfoFromString(kGone)->localport;
  EXPECT_EQ(CS_VSNET_ClientGetMotionPara(type, goneName, ip, 0, user, pw, &got, deadPort), 0);
  EXPECT_EQ(CS_VSNET_ClientSetMotionPara(type, goneName, ip, 0, user, pw, &put, deadPort), 0);

  StopCameraPlay();  // the handles end, and with them the connection
  ASSERT_TRUE(camera.WaitFor([](const CameraRecord& r) { return r.operationClosed == 1; }, 5000));
  camera.PushAlarm(1);
  EXPECT_EQ(g_seen.calls, 1);
  RemoveRookeryCallBack(&OnEvent, &marker);
  CamSearchMgr::ReleaseInstance();
  // Unloaded once the connection threads, which hold it to their last instruction, are gone.
  EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Quilgate.dll") == nullptr; }));
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
