#include "rendezvous_standin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "protocol.h"
#include "udp_endpoint.h"
#include "watch_request.h"

namespace {

namespace wire = lantern::wire;
using standins::RecordedDatagram;
using standins::RendezvousStandin;
using standins::UdpEndpoint;

constexpr int kWait = 3000;   // upper bound; loopback answers arrive in milliseconds
constexpr int kQuiet = 200;   // how long "no answer" is watched for

// Next datagram of `type`, skipping others; nullopt after timeoutMs.
std::optional<standins::ReceivedDatagram> ReceiveType(UdpEndpoint& e, uint8_t type, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    auto d = e.Receive(static_cast<int>(left.count()));
    uint8_t t = 0;
    if (d && wire::PeekType(d->bytes.data(), d->bytes.size(), &t) && t == type) return d;
  }
  return std::nullopt;
}

class RendezvousStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(camera.Open());
    ASSERT_TRUE(viewer.Open());
  }
  void Register(const std::string& name) {
    ASSERT_TRUE(camera.SendTo(wire::EncodeRegisterReq({name, "127.0.0.1", camera.Port()}),
                              server.Address()));
  }

  RendezvousStandin server;
  UdpEndpoint camera;
  UdpEndpoint viewer;
};

TEST_F(RendezvousStandinTest, RecordsProbeAndAnswersRegistration) {
  server.SetServerIds({0x11223344, 0x55667788});
  ASSERT_TRUE(camera.SendTo(wire::kProbeText, wire::kProbeSize, server.Address()));
  Register("cam-1");
  auto resp = ReceiveType(camera, wire::kRegisterResp, kWait);
  ASSERT_TRUE(resp.has_value());
  wire::ServerIds ids;
  ASSERT_TRUE(wire::DecodeRegisterResp(resp->bytes.data(), resp->bytes.size(), &ids));
  EXPECT_EQ(ids.first, 0x11223344u);
  EXPECT_EQ(ids.second, 0x55667788u);
  EXPECT_EQ(resp->from, server.Address());

  auto reg = server.WaitFor(wire::kRegisterReq, kWait);
  ASSERT_TRUE(reg.has_value());
  const auto all = server.Received();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_TRUE(all[0].IsProbe());
  EXPECT_EQ(all[0].order, 0u);
  EXPECT_EQ(all[0].from, camera.Address());
  EXPECT_TRUE(all[1].Is(wire::kRegisterReq));
  EXPECT_EQ(all[1].order, 1u);
  EXPECT_EQ(server.ProbeCount(), 1u);
  EXPECT_EQ(server.Count(wire::kRegisterReq), 1u);
  // The probe's fifth byte is not a message type.
  EXPECT_EQ(server.Count(wire::kProbeText[4]), 0u);
  ASSERT_TRUE(server.CameraAddress("cam-1").has_value());
  EXPECT_EQ(*server.CameraAddress("cam-1"), camera.Address());
  EXPECT_FALSE(server.CameraAddress("cam-2").has_value());
}

TEST_F(RendezvousStandinTest, ARecordedRequestHasItsAnswerOnTheWayAlready) {
  Register("cam-1");
  for (size_t i = 1; i <= 30; ++i) {
    ASSERT_TRUE(camera.SendTo(wire::EncodeHeartbeatReq({1, static_cast<uint32_t>(i)}),
                              server.Address()));
    ASSERT_TRUE(server.WaitFor(wire::kHeartbeatReq, kWait, i).has_value()) << i;
    // Loopback delivery happens inside the send, so the answer is already queued.
    std::optional<standins::ReceivedDatagram> echo;
    do {
      echo = camera.Receive(0);
    } while (echo && echo->bytes.size() > 4 && echo->bytes[4] == wire::kRegisterResp);
    ASSERT_TRUE(echo.has_value()) << i;
    wire::ServerIds ids;
    ASSERT_TRUE(wire::DecodeHeartbeatReq(echo->bytes.data(), echo->bytes.size(), &ids)) << i;
    EXPECT_EQ(ids.second, i);
  }
}

TEST_F(RendezvousStandinTest, LongNamesAreKnownByTheirFirst30Characters) {
  const std::string guid = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
  Register(guid);
  ASSERT_TRUE(server.WaitFor(wire::kRegisterReq, kWait).has_value());
  auto at = server.CameraAddress(guid);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(*at, camera.Address());
  EXPECT_TRUE(server.CameraAddress(guid.substr(0, 30)).has_value());
}

TEST_F(RendezvousStandinTest, UnansweredRegistrationIsStillRemembered) {
  server.SetAnswerRegistrations(false);
  Register("cam-1");
  ASSERT_TRUE(server.WaitFor(wire::kRegisterReq, kWait).has_value());
  EXPECT_FALSE(camera.Receive(kQuiet).has_value());
  EXPECT_TRUE(server.CameraAddress("cam-1").has_value());

  server.SetAnswerRegistrations(true);
  Register("cam-1");
  EXPECT_TRUE(ReceiveType(camera, wire::kRegisterResp, kWait).has_value());
}

TEST_F(RendezvousStandinTest, HeartbeatIsEchoedUnlessSwitchedOff) {
  ASSERT_TRUE(camera.SendTo(wire::EncodeHeartbeatReq({5, 6}), server.Address()));
  auto echo = ReceiveType(camera, wire::kHeartbeatReq, kWait);
  ASSERT_TRUE(echo.has_value());
  wire::ServerIds ids;
  ASSERT_TRUE(wire::DecodeHeartbeatReq(echo->bytes.data(), echo->bytes.size(), &ids));
  EXPECT_EQ(ids.first, 5u);
  EXPECT_EQ(ids.second, 6u);

  server.SetAnswerHeartbeats(false);
  ASSERT_TRUE(camera.SendTo(wire::EncodeHeartbeatReq({5, 6}), server.Address()));
  ASSERT_TRUE(server.WaitFor(wire::kHeartbeatReq, kWait, 2).has_value());
  EXPECT_FALSE(camera.Receive(kQuiet).has_value());
}

TEST_F(RendezvousStandinTest, SilentServerAnswersNothingButRecordsAll) {
  Register("cam-1");
  ASSERT_TRUE(ReceiveType(camera, wire::kRegisterResp, kWait).has_value());
  server.SetSilent(true);
  Register("cam-1");
  ASSERT_TRUE(camera.SendTo(wire::EncodeHeartbeatReq({1, 2}), server.Address()));
  ASSERT_TRUE(viewer.SendTo(standins::EncodeWatchRequest("cam-1"), server.Address()));
  ASSERT_TRUE(
      server.WaitFor([](const RecordedDatagram& r) { return r.order == 3; }, kWait).has_value());
  EXPECT_FALSE(camera.Receive(kQuiet).has_value());
  EXPECT_FALSE(viewer.Receive(0).has_value());
  EXPECT_EQ(server.Count(wire::kRegisterReq), 2u);
  EXPECT_EQ(server.Count(wire::kHeartbeatReq), 1u);
  EXPECT_EQ(server.Count(standins::kWatchType), 1u);
}

TEST_F(RendezvousStandinTest, WatchRequestAnnouncesTheViewerToTheCamera) {
  std::mutex mu;
  std::vector<std::string> lines;
  server.SetEventSink([&](const std::string& l) {
    std::lock_guard<std::mutex> lock(mu);
    lines.push_back(l);
  });
  Register("cam-1");
  ASSERT_TRUE(ReceiveType(camera, wire::kRegisterResp, kWait).has_value());
  ASSERT_TRUE(viewer.SendTo(standins::EncodeWatchRequest("cam-1"), server.Address()));
  auto notify = ReceiveType(camera, wire::kSessionNotify, kWait);
  ASSERT_TRUE(notify.has_value());
  wire::SessionNotify n;
  ASSERT_TRUE(wire::DecodeSessionNotify(notify->bytes.data(), notify->bytes.size(), &n));
  EXPECT_EQ(n.host, "127.0.0.1");
  EXPECT_EQ(n.port, viewer.Port());
  EXPECT_FALSE(viewer.Receive(kQuiet).has_value());

  std::lock_guard<std::mutex> lock(mu);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("register camera=cam-1 ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("pair camera=cam-1 ", 0), 0u) << lines[1];
  EXPECT_NE(lines[1].find(viewer.Address().Text()), std::string::npos) << lines[1];
}

TEST_F(RendezvousStandinTest, WatchForUnknownCameraSendsNothing) {
  Register("cam-1");
  ASSERT_TRUE(ReceiveType(camera, wire::kRegisterResp, kWait).has_value());
  ASSERT_TRUE(viewer.SendTo(standins::EncodeWatchRequest("cam-9"), server.Address()));
  ASSERT_TRUE(server.WaitFor(standins::kWatchType, kWait).has_value());
  EXPECT_FALSE(camera.Receive(kQuiet).has_value());
  EXPECT_FALSE(viewer.Receive(0).has_value());
}

TEST_F(RendezvousStandinTest, DirectSendsAndOtherDatagramsAreRecorded) {
  ASSERT_TRUE(server.SendSessionNotify(camera.Address(), "127.0.0.1", 4321));
  auto notify = ReceiveType(camera, wire::kSessionNotify, kWait);
  ASSERT_TRUE(notify.has_value());
  EXPECT_EQ(notify->bytes.size(), wire::kSessionNotifyMinSize);
  ASSERT_TRUE(server.SendRaw({1, 2, 3}, camera.Address()));
  auto raw = camera.Receive(kWait);
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(server.SendRaw({1}, {0xC0A80001, 80}));  // 192.168.0.1 is never a target

  ASSERT_TRUE(camera.SendTo(wire::EncodeAlarmNotify(1), server.Address()));
  ASSERT_TRUE(camera.SendTo("\x01\x02", 2, server.Address()));
  auto junk = server.WaitFor([](const RecordedDatagram& r) { return r.bytes.size() == 2; }, kWait);
  ASSERT_TRUE(junk.has_value());
  EXPECT_EQ(server.Count(wire::kAlarmNotify), 1u);
  EXPECT_FALSE(camera.Receive(kQuiet).has_value());
}

TEST_F(RendezvousStandinTest, WaitForGivesUpAtItsTimeout) {
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(server.WaitFor(wire::kAlarmNotify, 100).has_value());
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
  EXPECT_GE(ms, 90);
  EXPECT_LT(ms, 1500);
}

}  // namespace

namespace {

TEST(WatchRequest, LayoutAndChecks) {
  const auto d = standins::EncodeWatchRequest("cam-1");
  ASSERT_EQ(d.size(), 35u);
  EXPECT_EQ(std::string(d.begin(), d.begin() + 10), std::string("MO_V\xA0" "cam-1", 10));
  for (size_t i = 10; i < d.size(); ++i) EXPECT_EQ(d[i], 0) << i;
  std::string name;
  ASSERT_TRUE(standins::DecodeWatchRequest(d.data(), d.size(), &name));
  EXPECT_EQ(name, "cam-1");

  // A name that fills the field has no terminator and is cut at 30 bytes.
  const auto full = standins::EncodeWatchRequest(std::string(40, 'x'));
  ASSERT_TRUE(standins::DecodeWatchRequest(full.data(), full.size(), &name));
  EXPECT_EQ(name, std::string(30, 'x'));

  EXPECT_FALSE(standins::DecodeWatchRequest(d.data(), d.size() - 1, &name));
  auto badMagic = d;
  badMagic[3] = 'P';
  EXPECT_FALSE(standins::DecodeWatchRequest(badMagic.data(), badMagic.size(), &name));
  auto badType = d;
  badType[4] = wire::kRegisterReq;
  EXPECT_FALSE(standins::DecodeWatchRequest(badType.data(), badType.size(), &name));
  EXPECT_FALSE(standins::DecodeWatchRequest(nullptr, 0, &name));
}

}  // namespace
