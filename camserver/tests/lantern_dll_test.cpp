// Lantern.dll as its caller sees it: loaded with LoadLibrary, its decorated exports looked
// up by name, driven against a stand-in server and viewer on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "peer_standin.h"
#include "protocol.h"
#include "rendezvous_standin.h"
#include "wait_until.h"

namespace {

using lantern::testing::WaitUntil;
using standins::PeerStandin;
using standins::RecordedDatagram;
using standins::RendezvousStandin;
namespace wire = lantern::wire;

using CreateLanternFn = void* (*)(const char*, int, const char*, int);
using StopByNameFn = int (*)(const char*);
using StopByHandleFn = int (*)(void*);
using StopServerFn = int (*)();
using SetServerFn = int (*)(const char*, unsigned long);
using CountFn = int (*)();
using NameFn = char* (*)(int, char*, unsigned);
using StatusFn = int (*)(const char*);

std::string ExeDirectory() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

class LanternDll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The log goes to "log\Lantern.txt" beside the host program when that folder exists.
    CreateDirectoryA((ExeDirectory() + "log").c_str(), nullptr);
    module_ = LoadLibraryA("Lantern.dll");
    ASSERT_NE(module_, nullptr) << GetLastError();
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  static void TearDownTestSuite() {
    FreeLibrary(module_);
    module_ = nullptr;
  }

  template <typename Fn>
  static Fn Export(const char* decorated) {
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, decorated)));
    EXPECT_NE(fn, nullptr) << decorated;
    return fn;
  }

  void SetUp() override {
    create = Export<CreateLanternFn>("_Z13CreateLanternPKciS0_20_virtual_camera_type");
    stopByName = Export<StopByNameFn>("_Z17StopVirtualCameraPKc");
    stopByHandle = Export<StopByHandleFn>("_Z17StopVirtualCameraPv");
    stopServer = Export<StopServerFn>("_Z23StopVirtualCameraServerv");
    setServer = Export<SetServerFn>("_Z15SetServerAddresPKcm");
    capCount = Export<CountFn>("_Z16GetVideoCapCountv");
    capName = Export<NameFn>("_Z15GetVideoCapNameiPcj");
    deviceName = Export<NameFn>("_Z18GetVideoDeviceNameiPcj");
    status = Export<StatusFn>("_Z22GetVirtualCameraStatusPKc");
    ASSERT_TRUE(server.Start());
    setServer("127.0.0.1", server.Port());
  }
  void TearDown() override {
    stopServer();
    server.Stop();
  }

  static HMODULE module_;
  CreateLanternFn create;
  StopByNameFn stopByName;
  StopByHandleFn stopByHandle;
  StopServerFn stopServer;
  SetServerFn setServer;
  CountFn capCount;
  NameFn capName;
  NameFn deviceName;
  StatusFn status;
  RendezvousStandin server;
};
HMODULE LanternDll::module_ = nullptr;

TEST_F(LanternDll, ExportsCreateFindStopWithTheirResults) {
  void* const failed = reinterpret_cast<void*>(-1);
  EXPECT_EQ(stopServer(), 1) << "also without any camera";
  EXPECT_EQ(status("nobody"), 0);
  EXPECT_EQ(stopByName("nobody"), 0);

  void* cam = create("{GUID-A}", 0, "127.0.0.1", 1);
  ASSERT_NE(cam, failed);
  ASSERT_NE(cam, nullptr);
  EXPECT_EQ(create("{GUID-A}", 5, nullptr, 3), cam) << "an existing name returns its camera";
  EXPECT_EQ(create("{GUID-B}", 0, nullptr, 7), failed);
  EXPECT_EQ(create("{GUID-C}", capCount(), nullptr, 2), nullptr) << "device index out of range";
  EXPECT_EQ(create("{GUID-C}", -1, nullptr, 2), nullptr);
  EXPECT_EQ(status("{GUID-A}"), 0);

  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(capName(capCount(), buffer, sizeof buffer), nullptr);
  EXPECT_EQ(deviceName(-1, buffer, sizeof buffer), nullptr);
  EXPECT_EQ(buffer[0], '\0');

  // The screen camera is made and served like the others.
  void* screen = create("{GUID-SCREEN}", 0, "127.0.0.1", 3);
  EXPECT_NE(screen, failed);
  EXPECT_NE(screen, nullptr);
  EXPECT_EQ(stopByName("{GUID-SCREEN}"), 1);

  void* other = create("{GUID-D}", 0, nullptr, 1);
  EXPECT_EQ(stopByHandle(other), 1);
  EXPECT_EQ(stopByHandle(other), 0);
  EXPECT_EQ(stopByName("{GUID-A}"), 1);
  EXPECT_EQ(stopByName("{GUID-A}"), 0);
}

TEST_F(LanternDll, ProbeRegistrationStatusAndPeerCommands) {
  void* cam = create("{GUID-REG}", 0, "127.0.0.1", 1);
  ASSERT_NE(cam, reinterpret_cast<void*>(-1));
  auto probe = server.WaitFor([](const RecordedDatagram& d) { return d.IsProbe(); }, 3000);
  ASSERT_TRUE(probe.has_value());
  lantern::NetAddress camera = probe->from;

  // A server moved afterwards does not move this camera.
  RendezvousStandin elsewhere;
  ASSERT_TRUE(elsewhere.Start());
  setServer("127.0.0.1", elsewhere.Port());

  EXPECT_EQ(status("{GUID-REG}"), 0);
  ASSERT_TRUE(server.WaitFor(wire::kRegisterReq, 6000).has_value());
  ASSERT_TRUE(WaitUntil([&] { return status("{GUID-REG}") == 1; }, 3000));
  EXPECT_EQ(elsewhere.Count(wire::kRegisterReq), 0u);
  EXPECT_EQ(elsewhere.ProbeCount(), 0u);

  PeerStandin viewer;
  ASSERT_TRUE(viewer.Start());
  server.SendSessionNotify(camera, "127.0.0.1", viewer.Port());
  auto connect = viewer.WaitFor(wire::kConnectReq, 3000);
  ASSERT_TRUE(connect.has_value());
  EXPECT_EQ(connect->bytes, wire::EncodeConnectReq("{GUID-REG}"));

  const uint8_t commands[][2] = {{wire::kStartVideoReq, wire::kStartVideoResp},
                                 {wire::kStopVideoReq, wire::kStopVideoResp},
                                 {wire::kGetAlarmParamReq, wire::kAlarmParamResp},
                                 {wire::kDisConnectReq, wire::kDisConnectResp}};
  for (const auto& c : commands) {
    viewer.Send(c[0], camera);
    EXPECT_TRUE(viewer.WaitFor(c[1], 3000).has_value()) << int(c[0]);
  }
  elsewhere.Stop();

  // Each command left its line in the library's log.
  std::ifstream file(ExeDirectory() + "log\\Lantern.txt", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string log = text.str();
  // A message that already ends in CR LF gets one more CR from the log's line-ending rule.
  EXPECT_NE(log.find("received package thar the camera had register successedful\r\r\n"), std::string::npos);
  EXPECT_NE(log.find("received the peer command :Connect_Resp From 127.0.0.1:" +
                     std::to_string(viewer.Port())), std::string::npos);
  EXPECT_NE(log.find("received the peer command :Start_Video_req From"), std::string::npos);
  EXPECT_NE(log.find("received the peer command :DisConnect_Req From"), std::string::npos);
  EXPECT_NE(log.find("set sverver addr:127.0.0.1 port:" + std::to_string(server.Port())),
            std::string::npos);
}

}  // namespace
