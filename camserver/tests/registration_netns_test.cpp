// Registration on a PC without a default gateway, as a camera made with no address hint (the
// way the service program makes it) sees it. Runs only through scripts/netns-run.sh, in its
// "PC" namespace: 10.213.7.1/24 and loop-back, no default route.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/clock.h"
#include "local_address_win.h"
#include "rendezvous_standin.h"
#include "virtual_camera_mgr.h"
#include "wait_until.h"

namespace lantern {
namespace {

using standins::RecordedDatagram;
using standins::RendezvousStandin;
using testing::WaitUntil;

// Empty when this is the namespace the test was written for, else why not.
std::string CheckNamespace() {
  if (std::getenv("QUILCAM_CONTROL") == nullptr) return "not started by netns-run.sh";
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return "no network adapter";
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(list, &size) != NO_ERROR) return "adapter list unreadable";
  for (const IP_ADAPTER_INFO* a = list; a != nullptr; a = a->Next) {
    const std::string ip = a->IpAddressList.IpAddress.String;
    if (ip != "10.213.7.1") return "unexpected adapter address " + ip;
  }
  return "";
}

class RegistrationWithoutGateway : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string unexpected = CheckNamespace();
    ASSERT_TRUE(unexpected.empty()) << unexpected;
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }
};

TEST_F(RegistrationWithoutGateway, AddressSourceFallsBackToTheInterfaceThatCanCarryTraffic) {
  std::string reference = "unchanged";
  EXPECT_FALSE(FindRegistrationReference("", &reference)) << reference;
  EXPECT_FALSE(FindRegistrationReference(nullptr, &reference)) << reference;

  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  ASSERT_NE(s, INVALID_SOCKET);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(9);
  ASSERT_EQ(sendto(s, "probe", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 5);
  char text[32];
  uint32_t port = 0;
  GetLocalAddress(s, text, sizeof text, &port, nullptr);
  EXPECT_STREQ(text, "10.213.7.1");
  EXPECT_NE(port, 0u);
  GetLocalAddress(s, text, sizeof text, &port, "10.213.7.2");  // a hint on the subnet
  EXPECT_STREQ(text, "10.213.7.1");
  GetLocalAddress(s, text, sizeof text, &port, "10.99.0.1");  // a hint elsewhere
  EXPECT_STREQ(text, "");
  closesocket(s);
}

TEST_F(RegistrationWithoutGateway, CameraWithoutHintRegistersAndReportsItsStatus) {
  RendezvousStandin server;
  ASSERT_TRUE(server.Start());
  common::ManualClock clock{7000};
  VirtualCameraMgr::SetServer("127.0.0.1", server.Port());
  VirtualCameraMgr::Instance().SetClockForNewCameras(&clock);
  const char* name = "{NO-GATEWAY-CAMERA}";
  void* camera = VirtualCameraMgr::Instance().Create(name, 0, nullptr, 1);
  ASSERT_NE(camera, nullptr);
  ASSERT_NE(camera, reinterpret_cast<void*>(-1));
  auto probe = server.WaitFor([](const RecordedDatagram& d) { return d.IsProbe(); }, 3000);
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(VirtualCameraMgr::Instance().Status(name), 0);

  clock.Advance(2501);
  auto registration = server.WaitFor(wire::kRegisterReq, 3000);
  ASSERT_TRUE(registration.has_value());
  wire::RegisterReq req;
  ASSERT_TRUE(wire::DecodeRegisterReq(registration->bytes.data(), registration->bytes.size(), &req));
  EXPECT_EQ(req.name, std::string(name).substr(0, 30));
  EXPECT_EQ(req.address, "10.213.7.1");
  EXPECT_EQ(req.port, probe->from.port);
  EXPECT_TRUE(WaitUntil([&] { return VirtualCameraMgr::Instance().Status(name) == 1; }));

  EXPECT_EQ(VirtualCameraMgr::Instance().Stop(name), 1);
  VirtualCameraMgr::Destroy();
  server.Stop();
}

}  // namespace
}  // namespace lantern
