// A whole pairing over 127.0.0.1: a small fake camera made of the wire encoders talks to the
// rendezvous and peer stand-ins.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "peer_standin.h"
#include "protocol.h"
#include "rendezvous_standin.h"
#include "udp_endpoint.h"
#include "watch_request.h"

namespace {

namespace wire = lantern::wire;
using lantern::NetAddress;
using standins::PeerStandin;
using standins::ReceivedDatagram;
using standins::RendezvousStandin;
using standins::UdpEndpoint;

constexpr int kWait = 3000;
constexpr int kQuiet = 200;
constexpr char kName[] = "{6A1B2C3D-0000-4000-8000-00000000CAFE}";

class FakeCamera {
 public:
  bool Open() { return endpoint_.Open(); }
  NetAddress Address() const { return endpoint_.Address(); }
  bool Send(const wire::Datagram& d, const NetAddress& to) { return endpoint_.SendTo(d, to); }

  // Next datagram of `type`, skipping others; nullopt after timeoutMs.
  std::optional<ReceivedDatagram> Expect(uint8_t type, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      auto d = endpoint_.Receive(static_cast<int>(left.count()));
      uint8_t t = 0;
      if (d && wire::PeekType(d->bytes.data(), d->bytes.size(), &t) && t == type) return d;
    }
    return std::nullopt;
  }

  // A datagram already waiting, without any wait.
  std::optional<ReceivedDatagram> ReceiveNow() { return endpoint_.Receive(0); }

  // Sends one frame as Video_Data fragments of 512 bytes.
  void SendFrame(uint32_t seq, const std::vector<uint8_t>& jpeg, const NetAddress& to) {
    const uint16_t count = wire::FragmentCount(jpeg.size());
    for (uint16_t i = 0; i < count; ++i) {
      const size_t from = static_cast<size_t>(i) * wire::kFragmentPayload;
      const size_t n = std::min(wire::kFragmentPayload, jpeg.size() - from);
      ASSERT_TRUE(Send(wire::EncodeVideoData({1000, 999, seq, count, i}, jpeg.data() + from, n), to));
    }
  }

  // Acks received within timeoutMs, as (frame, fragment) pairs.
  std::set<std::pair<uint32_t, uint16_t>> CollectAcks(size_t want, int timeoutMs) {
    std::set<std::pair<uint32_t, uint16_t>> acks;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (acks.size() < want && std::chrono::steady_clock::now() < deadline) {
      auto d = Expect(wire::kVideoAck, 100);
      wire::VideoAck ack;
      if (d && wire::DecodeVideoAck(d->bytes.data(), d->bytes.size(), &ack)) {
        acks.insert({ack.frameSeq, ack.fragmentIndex});
      }
    }
    return acks;
  }

 private:
  UdpEndpoint endpoint_;
};

std::vector<uint8_t> Jpeg(size_t n, uint8_t salt) {
  std::vector<uint8_t> j(n);
  for (size_t i = 0; i < n; ++i) j[i] = static_cast<uint8_t>(i ^ salt);
  j[0] = 0xFF;
  j[1] = 0xD8;
  return j;
}

class LoopbackRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(peer.Start());
    ASSERT_TRUE(camera.Open());
  }

  // Registration, pairing and handshake; leaves the peer's address in `peerAt`.
  void Pair() {
    ASSERT_TRUE(camera.Send(wire::Datagram(wire::kProbeText, wire::kProbeText + wire::kProbeSize),
                            server.Address()));
    ASSERT_TRUE(camera.Send(
        wire::EncodeRegisterReq({kName, "127.0.0.1", camera.Address().port}), server.Address()));
    auto resp = camera.Expect(wire::kRegisterResp, kWait);
    ASSERT_TRUE(resp.has_value());
    EXPECT_EQ(resp->from, server.Address());

    ASSERT_TRUE(peer.SendRaw(standins::EncodeWatchRequest(kName), server.Address()));
    auto notify = camera.Expect(wire::kSessionNotify, kWait);
    ASSERT_TRUE(notify.has_value());
    wire::SessionNotify n;
    ASSERT_TRUE(wire::DecodeSessionNotify(notify->bytes.data(), notify->bytes.size(), &n));
    EXPECT_EQ(n.host, "127.0.0.1");
    EXPECT_EQ(n.port, peer.Port());
    uint32_t ip = 0;
    ASSERT_TRUE(lantern::ParseDottedIp(n.host, &ip));
    peerAt = {ip, static_cast<uint16_t>(n.port)};

    ASSERT_TRUE(camera.Send(wire::EncodeConnectReq(kName), peerAt));
    auto connectResp = camera.Expect(wire::kConnectResp, kWait);
    ASSERT_TRUE(connectResp.has_value());
    EXPECT_EQ(connectResp->from, peer.Address());
    EXPECT_EQ(connectResp->bytes, wire::EncodeCommand(wire::kConnectResp));
    ASSERT_TRUE(peer.CameraAddress().has_value());
    EXPECT_EQ(*peer.CameraAddress(), camera.Address());
  }

  RendezvousStandin server;
  PeerStandin peer;
  FakeCamera camera;
  NetAddress peerAt;
};

TEST_F(LoopbackRoundTrip, RegisterPairConnectAndDeliverAFrame) {
  ASSERT_NO_FATAL_FAILURE(Pair());

  ASSERT_TRUE(peer.Send(wire::kStartVideoReq, camera.Address()));
  auto start = camera.Expect(wire::kStartVideoReq, kWait);
  ASSERT_TRUE(start.has_value());
  EXPECT_EQ(start->bytes, (wire::Datagram{'M', 'O', '_', 'P', wire::kStartVideoReq}));

  const auto jpeg = Jpeg(1200, 0x5A);  // 512 + 512 + 176
  camera.SendFrame(1, jpeg, peerAt);
  const auto acks = camera.CollectAcks(3, kWait);
  EXPECT_EQ(acks, (std::set<std::pair<uint32_t, uint16_t>>{{1, 0}, {1, 1}, {1, 2}}));

  ASSERT_TRUE(peer.WaitForFrames(1, kWait));
  const auto frames = peer.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].seq, 1u);
  EXPECT_EQ(frames[0].jpeg, jpeg);
  EXPECT_EQ(peer.Count(wire::kVideoData), 3u);
  EXPECT_EQ(peer.Count(wire::kConnectReq), 1u);
  EXPECT_EQ(peer.Stats().duplicates, 0u);
  EXPECT_EQ(peer.Stats().lost, 0u);

  // The server saw the probe, the registration and the watch request, in that order.
  const auto seen = server.Received();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[0].IsProbe());
  EXPECT_TRUE(seen[1].Is(wire::kRegisterReq));
  EXPECT_EQ(seen[1].from, camera.Address());
  EXPECT_TRUE(seen[2].Is(standins::kWatchType));
  EXPECT_EQ(seen[2].from, peer.Address());
}

TEST_F(LoopbackRoundTrip, RetransmissionIsAckedAgainAndCounted) {
  ASSERT_NO_FATAL_FAILURE(Pair());
  const auto jpeg = Jpeg(700, 1);
  camera.SendFrame(4, jpeg, peerAt);
  ASSERT_EQ(camera.CollectAcks(2, kWait).size(), 2u);
  ASSERT_TRUE(camera.Send(wire::EncodeVideoData({1000, 999, 4, 2, 1}, jpeg.data() + 512, 188),
                          peerAt));
  EXPECT_EQ(camera.CollectAcks(1, kWait),
            (std::set<std::pair<uint32_t, uint16_t>>{{4, 1}}));
  EXPECT_EQ(peer.Stats().duplicates, 1u);
  EXPECT_EQ(peer.Stats().completed, 1u);
}

TEST_F(LoopbackRoundTrip, AcksCanBeFilteredOrSwitchedOff) {
  ASSERT_NO_FATAL_FAILURE(Pair());
  peer.SetAckFilter([](const wire::VideoHeader& h) { return h.fragmentIndex != 1; });
  camera.SendFrame(1, Jpeg(1200, 2), peerAt);
  ASSERT_TRUE(peer.WaitForFrames(1, kWait));
  EXPECT_EQ(camera.CollectAcks(3, kQuiet),
            (std::set<std::pair<uint32_t, uint16_t>>{{1, 0}, {1, 2}}));

  peer.SetAutoAck(false);
  camera.SendFrame(2, Jpeg(300, 3), peerAt);
  ASSERT_TRUE(peer.WaitForFrames(2, kWait));
  EXPECT_TRUE(camera.CollectAcks(1, kQuiet).empty());
}

TEST_F(LoopbackRoundTrip, AnAckMeansTheFragmentIsAlreadyRecordedAndAssembled) {
  ASSERT_NO_FATAL_FAILURE(Pair());
  for (uint32_t seq = 1; seq <= 50; ++seq) {
    camera.SendFrame(seq, Jpeg(100, static_cast<uint8_t>(seq)), peerAt);
    ASSERT_EQ(camera.CollectAcks(1, kWait).size(), 1u) << seq;
    // No waiting here: whatever a reply reveals must already be visible.
    ASSERT_EQ(peer.Count(wire::kVideoData), seq);
    ASSERT_EQ(peer.Stats().completed, seq);
  }
}

TEST_F(LoopbackRoundTrip, ARecordedFragmentHasItsAckOnTheWayAlready) {
  ASSERT_NO_FATAL_FAILURE(Pair());
  for (uint32_t seq = 1; seq <= 50; ++seq) {
    camera.SendFrame(seq, Jpeg(100, static_cast<uint8_t>(seq)), peerAt);
    ASSERT_TRUE(peer.WaitFor(wire::kVideoData, kWait, seq).has_value()) << seq;
    // Loopback delivery happens inside the send, so the ack is already queued.
    auto ack = camera.ReceiveNow();
    ASSERT_TRUE(ack.has_value()) << seq;
    wire::VideoAck a;
    ASSERT_TRUE(wire::DecodeVideoAck(ack->bytes.data(), ack->bytes.size(), &a)) << seq;
    EXPECT_EQ(a.frameSeq, seq);
  }
}

TEST_F(LoopbackRoundTrip, ConnectRespCanBeSwitchedOff) {
  peer.SetAutoConnectResp(false);
  ASSERT_TRUE(camera.Send(wire::EncodeConnectReq(kName), peer.Address()));
  ASSERT_TRUE(peer.WaitFor(wire::kConnectReq, kWait).has_value());
  EXPECT_FALSE(camera.Expect(wire::kConnectResp, kQuiet).has_value());
  ASSERT_TRUE(peer.CameraAddress().has_value());
  EXPECT_EQ(*peer.CameraAddress(), camera.Address());
}

}  // namespace
