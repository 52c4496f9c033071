#include "camera_core.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "fake_ports.h"

namespace lantern {
namespace {

using testing::kServer;
using testing::Sent;

NetAddress Peer(int n) { return {0x0A000100u + n, static_cast<uint16_t>(5000 + n)}; }

// A camera whose frame step hands out a prepared frame once.
class TestCamera : public CameraCore {
 public:
  using CameraCore::CameraCore;
  bool GrabFrame(JpegOutBuffer& out, bool anyViewer) override {
    out.length = 0;
    if (pendingFrame.empty() || !anyViewer) return true;
    out.data = pendingFrame;
    out.length = pendingFrame.size();
    pendingFrame.clear();
    return true;
  }
  std::vector<uint8_t> pendingFrame;
};

class CameraCoreTest : public ::testing::Test, protected testing::FakeCameraWorld {
 protected:
  CameraCoreTest() : camera("cam-guid", Environment()) { camera.SetServerAddress(kServer); }

  void Deliver(const wire::Datagram& d, const NetAddress& from) {
    camera.OnReceive(d.data(), d.size(), from);
  }
  void FromPeer(const NetAddress& peer, uint8_t type) {
    Deliver(wire::EncodeCommandWithMagic(wire::kMagicMOP, type), peer);
  }
  // Moves time past the next housekeeping pass and runs one worker pass.
  void NextHousekeeping() {
    clock.Advance(kHousekeepingIntervalMs + 1);
    camera.WorkerPass();
  }
  void RegisterNow() {
    NextHousekeeping();
    Deliver(wire::EncodeRegisterResp({11, 22}), kServer);
    ASSERT_TRUE(camera.IsRegistered());
  }
  void Announce(const NetAddress& peer) {
    Deliver(wire::EncodeSessionNotify({peer.IpText(), peer.port}), kServer);
  }
  void ConnectViewer(const NetAddress& peer) {
    Announce(peer);
    FromPeer(peer, wire::kConnectResp);
    FromPeer(peer, wire::kStartVideoReq);
  }
  std::vector<Sent> SentTo(const NetAddress& to, uint8_t type) {
    std::vector<Sent> out;
    for (Sent& s : sender.TakeAll())
      if (s.to == to && s.type() == type) out.push_back(s);
    return out;
  }

  TestCamera camera;
};

TEST_F(CameraCoreTest, RegistersEvery2500msUntilAnswered) {
  clock.Advance(kHousekeepingIntervalMs);
  camera.WorkerPass();
  EXPECT_EQ(sender.TakeAll().size(), 0u) << "nothing before 2500 ms have passed";

  clock.Advance(1);
  camera.WorkerPass();
  auto regs = SentTo(kServer, wire::kRegisterReq);
  ASSERT_EQ(regs.size(), 1u);
  wire::RegisterReq req;
  ASSERT_TRUE(wire::DecodeRegisterReq(regs[0].bytes.data(), regs[0].bytes.size(), &req));
  EXPECT_EQ(req.name, "cam-guid");
  EXPECT_EQ(req.address, "192.168.1.20");
  EXPECT_EQ(req.port, 4321u);
  EXPECT_TRUE(log.Contains("register to server the camera local ip:192.168.1.20,port :4321"));

  NextHousekeeping();
  EXPECT_EQ(SentTo(kServer, wire::kRegisterReq).size(), 1u);
  EXPECT_FALSE(camera.IsRegistered());

  // Without a reference address nothing goes out.
  addresses.haveReference = false;
  NextHousekeeping();
  EXPECT_EQ(sender.TakeAll().size(), 0u);
}

TEST_F(CameraCoreTest, HeartbeatEchoesIdsAndSilenceDropsRegistrationAndPeers) {
  RegisterNow();
  EXPECT_TRUE(log.Contains("received package thar the camera had register successedful"));
  ConnectViewer(Peer(1));
  Announce(Peer(2));
  sender.TakeAll();

  NextHousekeeping();
  auto beats = SentTo(kServer, wire::kHeartbeatReq);
  ASSERT_EQ(beats.size(), 1u);
  wire::ServerIds ids;
  ASSERT_TRUE(wire::DecodeHeartbeatReq(beats[0].bytes.data(), beats[0].bytes.size(), &ids));
  EXPECT_EQ(ids.first, 11u);
  EXPECT_EQ(ids.second, 22u);

  // Any server datagram keeps the registration alive, whatever its type.
  clock.Advance(50000);
  Deliver(wire::EncodeCommand(0x55), kServer);
  clock.Advance(15000);
  camera.WorkerPass();
  EXPECT_TRUE(camera.IsRegistered());
  clock.Advance(kServerSilenceMs - 15000);
  camera.WorkerPass();
  EXPECT_TRUE(camera.IsRegistered()) << "exactly 60000 ms is not yet silence";
  clock.Advance(kHousekeepingIntervalMs + 1);
  camera.WorkerPass();
  EXPECT_FALSE(camera.IsRegistered());
}

TEST_F(CameraCoreTest, ServerSilenceSendsDisconnectToEveryPeer) {
  RegisterNow();
  ConnectViewer(Peer(1));
  Announce(Peer(2));
  sender.TakeAll();
  clock.Advance(kServerSilenceMs + 1);
  camera.WorkerPass();
  EXPECT_FALSE(camera.IsRegistered());
  EXPECT_EQ(camera.SessionCount(), 0u);
  EXPECT_EQ(sender.CountTo(Peer(1), wire::kDisConnectResp), 1u);
  EXPECT_EQ(sender.CountTo(Peer(2), wire::kDisConnectResp), 1u);
  EXPECT_EQ(camera.SessionsDroppedForServerSilence(), 2u);
  EXPECT_EQ(camera.SessionsDroppedForPeerSilence(), 0u);
  sender.TakeAll();
  NextHousekeeping();
  EXPECT_EQ(SentTo(kServer, wire::kRegisterReq).size(), 1u) << "registers again";
}

TEST_F(CameraCoreTest, SessionNotifyCreatesOnceAndResendsConnect) {
  Announce(Peer(1));
  EXPECT_EQ(camera.SessionCount(), 1u);
  auto first = SentTo(Peer(1), wire::kConnectReq);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].bytes.size(), wire::kConnectReqSize);
  EXPECT_TRUE(log.Contains("the server notify camera to Create a session connect to 10.0.1.1:5001"));
  EXPECT_TRUE(log.Contains("session send connect_req package,connect to 10.0.1.1port:5001 "));

  Announce(Peer(1));
  EXPECT_EQ(camera.SessionCount(), 1u);
  EXPECT_EQ(SentTo(Peer(1), wire::kConnectReq).size(), 1u);
  EXPECT_TRUE(log.Contains("don't create session for the camera because the session to 10.0.1.1:5001 had found"));

  // Connected sessions are not asked again.
  FromPeer(Peer(1), wire::kConnectResp);
  Announce(Peer(1));
  EXPECT_EQ(SentTo(Peer(1), wire::kConnectReq).size(), 0u);

  // Host names resolve; unresolvable ones are ignored.
  Deliver(wire::EncodeSessionNotify({"viewer.example", 7000}), kServer);
  EXPECT_EQ(camera.SessionCount(), 2u);
  Deliver(wire::EncodeSessionNotify({"no-such-host", 7000}), kServer);
  EXPECT_EQ(camera.SessionCount(), 2u);
}

TEST_F(CameraCoreTest, SeventeenthPeerIsRefused) {
  for (int i = 0; i < 16; ++i) Announce(Peer(i));
  EXPECT_EQ(camera.SessionCount(), 16u);
  sender.TakeAll();
  Announce(Peer(16));
  EXPECT_EQ(camera.SessionCount(), 16u);
  EXPECT_EQ(sender.TakeAll().size(), 0u);
  EXPECT_TRUE(log.Contains("because the session to 10.0.1.16:5016 had found"));
}

TEST_F(CameraCoreTest, PeerCommandsAreAnsweredAndLogged) {
  NetAddress peer = Peer(3);
  Announce(peer);
  sender.TakeAll();
  struct Step { uint8_t type; uint8_t reply; const char* logLine; };
  const Step steps[] = {
      {wire::kConnectReq, wire::kConnectResp, "received the peer command :Connect_Req from 10.0.1.3:5003"},
      {wire::kConnectResp, 0, "received the peer command :Connect_Resp From 10.0.1.3:5003"},
      {wire::kStartVideoReq, wire::kStartVideoResp, "received the peer command :Start_Video_req From 10.0.1.3:5003"},
      {wire::kStopVideoReq, wire::kStopVideoResp, "received the peer command :Stop_video_Req From 10.0.1.3:5003"},
      {wire::kDisConnectReq, wire::kDisConnectResp, "received the peer command :DisConnect_Req From 10.0.1.3:5003"},
  };
  for (const Step& step : steps) {
    FromPeer(peer, step.type);
    auto sent = sender.TakeAll();
    if (step.reply == 0) {
      EXPECT_TRUE(sent.empty());
    } else {
      ASSERT_EQ(sent.size(), 1u) << int(step.type);
      EXPECT_EQ(sent[0].to, peer);
      EXPECT_EQ(sent[0].bytes, wire::EncodeCommand(step.reply));
    }
    EXPECT_TRUE(log.Contains(step.logLine)) << step.logLine;
  }

  // DisConnect_Req leaves video on: frames keep flowing, keep-alives stop.
  FromPeer(peer, wire::kConnectReq);
  FromPeer(peer, wire::kStartVideoReq);
  FromPeer(peer, wire::kDisConnectReq);
  bool connected = true, video = false;
  ASSERT_TRUE(camera.SessionState(peer.Text(), &connected, &video));
  EXPECT_FALSE(connected);
  EXPECT_TRUE(video);
}

TEST_F(CameraCoreTest, AlarmParamsAreServedAndStored) {
  NetAddress peer = Peer(4);
  Announce(peer);
  FromPeer(peer, wire::kConnectReq);
  sender.TakeAll();

  wire::Datagram set(wire::kAlarmParamRecordSize, 0x5A);
  std::memcpy(set.data(), "MOP\0\x2A", 5);
  Deliver(set, peer);
  // A short request is rejected: the record is not half-overwritten.
  wire::Datagram shortSet(set.begin(), set.begin() + 100);
  std::fill(shortSet.begin() + 5, shortSet.end(), 0x11);
  Deliver(shortSet, peer);

  FromPeer(peer, wire::kGetAlarmParamReq);
  auto resp = SentTo(peer, wire::kAlarmParamResp);
  ASSERT_EQ(resp.size(), 1u);
  ASSERT_EQ(resp[0].bytes.size(), 315u);
  EXPECT_EQ(0, std::memcmp(resp[0].bytes.data(), "MOP\0\x29", 5));
  EXPECT_EQ(resp[0].bytes[5], 0x5A);
  EXPECT_EQ(resp[0].bytes[314], 0x5A);
}

TEST_F(CameraCoreTest, UnknownSendersAndGarbageAreDropped) {
  RegisterNow();
  Announce(Peer(1));
  sender.TakeAll();
  size_t logLines = log.lines.size();
  // Connect_Req from a stranger: no session, no reply.
  FromPeer(Peer(9), wire::kConnectReq);
  // The right host on another port is a stranger too.
  FromPeer({Peer(1).ip, 6000}, wire::kConnectReq);
  EXPECT_EQ(camera.SessionCount(), 1u);

  std::mt19937 rng(99);
  for (int i = 0; i < 3000; ++i) {
    wire::Datagram d(rng() % 400);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    if (d.size() > 4) {
      const uint8_t types[] = {0x00, 0x02, 0x1C, 0x28, 0x2A, 0x64, 0x72, 0x7A, 0x0E};
      d[4] = types[rng() % sizeof types];
      // Truncated datagrams of every type, from the server and from strangers.
      Deliver(wire::Datagram(d.begin(), d.begin() + (rng() % d.size())),
              (i & 1) ? kServer : Peer(9));
    }
  }
  EXPECT_EQ(camera.SessionCount(), 1u);
  for (const Sent& s : sender.TakeAll()) EXPECT_NE(s.to, Peer(9));
  for (size_t i = logLines; i < log.lines.size(); ++i)
    EXPECT_EQ(log.lines[i].find("10.0.1.9"), std::string::npos) << log.lines[i];
}

TEST_F(CameraCoreTest, SilentPeersGoOnePerPassAndEveryOtherPeerKeepsItsKeepAlive) {
  RegisterNow();
  ConnectViewer(Peer(1));
  ConnectViewer(Peer(2));
  Announce(Peer(3));  // never connects
  ConnectViewer(Peer(4));  // keeps talking; walked after the two silent ones
  for (int i = 0; i < 23; ++i) {  // keep the server alive, peers 1 and 2 go quiet
    clock.Advance(kHousekeepingIntervalMs + 1);
    Deliver(wire::EncodeCommand(0x55), kServer);
    FromPeer(Peer(4), 0x55);
    camera.WorkerPass();
  }
  EXPECT_EQ(camera.SessionCount(), 4u);
  sender.TakeAll();
  clock.Advance(kHousekeepingIntervalMs + 1);
  FromPeer(Peer(4), 0x55);
  camera.WorkerPass();
  EXPECT_EQ(camera.SessionCount(), 3u);
  EXPECT_EQ(sender.CountTo(Peer(1), wire::kKeepAlive), 1u);
  EXPECT_EQ(sender.CountTo(Peer(1), wire::kDisConnectResp), 1u);
  // The pass that dropped peer 1 still served everyone after it.
  EXPECT_EQ(sender.CountTo(Peer(2), wire::kKeepAlive), 1u);
  EXPECT_EQ(sender.CountTo(Peer(2), wire::kDisConnectResp), 0u);
  EXPECT_EQ(sender.CountTo(Peer(4), wire::kKeepAlive), 1u);
  sender.TakeAll();
  Deliver(wire::EncodeCommand(0x55), kServer);
  FromPeer(Peer(4), 0x55);
  NextHousekeeping();
  EXPECT_EQ(camera.SessionCount(), 2u);
  EXPECT_EQ(sender.CountTo(Peer(2), wire::kDisConnectResp), 1u);
  EXPECT_EQ(sender.CountTo(Peer(4), wire::kKeepAlive), 1u);
  for (int i = 0; i < 5; ++i) {
    Deliver(wire::EncodeCommand(0x55), kServer);
    FromPeer(Peer(4), 0x55);
    NextHousekeeping();
  }
  EXPECT_EQ(camera.SessionCount(), 2u) << "an announced session never times out";
  EXPECT_EQ(camera.SessionsDroppedForPeerSilence(), 2u);
  EXPECT_EQ(camera.SessionsDroppedForServerSilence(), 0u);
  EXPECT_EQ(sender.CountTo(Peer(4), wire::kKeepAlive), 6u);
  EXPECT_EQ(sender.CountTo(Peer(3), wire::kKeepAlive), 0u);
}

TEST_F(CameraCoreTest, DatagramsStampedAfterThePassReadTheClockAreNotSilence) {
  RegisterNow();
  ConnectViewer(Peer(1));
  clock.Advance(kServerSilenceMs - 1000);
  const uint32_t passReading = clock.NowMs();
  // The receive thread stamps the server's and the peer's datagrams a moment later than
  // the worker's reading of the clock for its pass.
  clock.Advance(3);
  Deliver(wire::EncodeCommand(0x55), kServer);
  FromPeer(Peer(1), 0x55);
  clock.Set(passReading);
  sender.TakeAll();
  camera.WorkerPass();
  EXPECT_TRUE(camera.IsRegistered());
  EXPECT_EQ(camera.SessionCount(), 1u);
  EXPECT_EQ(sender.CountTo(Peer(1), wire::kKeepAlive), 1u);
  EXPECT_EQ(sender.CountTo(Peer(1), wire::kDisConnectResp), 0u);
}

class VideoTest : public CameraCoreTest {
 protected:
  void SetUp() override {
    RegisterNow();
    ConnectViewer(Peer(1));
    ConnectViewer(Peer(2));
    sender.TakeAll();
  }
  // Sends one frame through the worker's frame pass.
  void PassWithFrame(size_t size) {
    camera.pendingFrame.assign(size, 0);
    for (size_t i = 0; i < size; ++i) camera.pendingFrame[i] = static_cast<uint8_t>(i * 7);
    clock.Advance(kFrameIntervalMs + 1);
    camera.WorkerPass();
  }
  std::vector<wire::Datagram> VideoTo(const std::vector<Sent>& sent, const NetAddress& to) {
    std::vector<wire::Datagram> out;
    for (const Sent& s : sent)
      if (s.to == to && s.type() == wire::kVideoData) out.push_back(s.bytes);
    return out;
  }
};

TEST_F(VideoTest, FramesAreFragmentedAt512Bytes) {
  PassWithFrame(512);
  auto sent = sender.TakeAll();
  auto frags = VideoTo(sent, Peer(1));
  ASSERT_EQ(frags.size(), 1u);
  EXPECT_EQ(frags[0].size(), 22u + 512u);
  EXPECT_EQ(camera.FrameCounter(), 1u);

  PassWithFrame(513);
  frags.clear();
  for (auto& d : VideoTo(sender.TakeAll(), Peer(2)))
    if (d[14] == 2) frags.push_back(d);  // frame 1 is being resent meanwhile
  ASSERT_EQ(frags.size(), 2u);
  wire::VideoHeader h;
  const uint8_t* p;
  size_t n;
  ASSERT_TRUE(wire::DecodeVideoData(frags[1].data(), frags[1].size(), &h, &p, &n));
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(h.frameSeq, 2u);
  EXPECT_EQ(h.fragmentCount, 2);
  EXPECT_EQ(h.fragmentIndex, 1);
  EXPECT_EQ(p[0], static_cast<uint8_t>(512 * 7));
  EXPECT_EQ(camera.PendingFragmentCount(), 3u);
}

TEST_F(VideoTest, NoVideoWithoutViewerOrRegistration) {
  FromPeer(Peer(1), wire::kStopVideoReq);
  FromPeer(Peer(2), wire::kStopVideoReq);
  sender.TakeAll();
  PassWithFrame(1000);
  EXPECT_TRUE(VideoTo(sender.TakeAll(), Peer(1)).empty());
  EXPECT_EQ(camera.FrameCounter(), 0u);
}

TEST_F(VideoTest, RetransmitsOnlyToTheSilentViewerAtMostEightTimes) {
  PassWithFrame(1500);  // three fragments
  auto first = VideoTo(sender.TakeAll(), Peer(1));
  ASSERT_EQ(first.size(), 3u);
  // Viewer 1 acknowledges everything at once; viewer 2 never does.
  for (uint16_t i = 0; i < 3; ++i) Deliver(wire::EncodeVideoAck({1, i}), Peer(1));
  // An acknowledgement for a frame that was never sent changes nothing.
  Deliver(wire::EncodeVideoAck({77, 0}), Peer(2));
  EXPECT_EQ(camera.PendingFragmentCount(), 3u);

  int resentTo2 = 0;
  for (int step = 1; step <= 10; ++step) {
    clock.Advance(kRetransmitStepMs);
    camera.WorkerPass();
    auto sent = sender.TakeAll();
    EXPECT_TRUE(VideoTo(sent, Peer(1)).empty()) << "acknowledged viewer gets nothing again";
    resentTo2 += static_cast<int>(VideoTo(sent, Peer(2)).size());
  }
  EXPECT_EQ(resentTo2, 3 * kMaxRetransmissions);
  EXPECT_EQ(camera.PendingFragmentCount(), 0u) << "record gone after the eighth pass";
}

TEST_F(VideoTest, RecordGoesWhenAllTargetsAcknowledge) {
  PassWithFrame(100);
  sender.TakeAll();
  Deliver(wire::EncodeVideoAck({1, 0}), Peer(1));
  Deliver(wire::EncodeVideoAck({1, 0}), Peer(1));  // a repeat counts once
  EXPECT_EQ(camera.PendingFragmentCount(), 1u);
  Deliver(wire::EncodeVideoAck({1, 0}), Peer(2));
  EXPECT_EQ(camera.PendingFragmentCount(), 0u);
}

TEST_F(VideoTest, ViewerThatStartedLaterOrLeftGetsNoResend) {
  PassWithFrame(100);
  sender.TakeAll();
  // Viewer 2 restarts video after the frame began: the frame is not its.
  clock.Advance(10);
  FromPeer(Peer(2), wire::kStartVideoReq);
  // Viewer 1 stops video.
  FromPeer(Peer(1), wire::kStopVideoReq);
  sender.TakeAll();
  clock.Advance(kRetransmitStepMs);
  camera.WorkerPass();
  EXPECT_TRUE(VideoTo(sender.TakeAll(), Peer(1)).empty());
  EXPECT_TRUE(VideoTo(sender.TakeAll(), Peer(2)).empty());
}

// The receive thread's view while the worker is between two sends: an acknowledgement
// delivered from another thread must be handled before the worker's send returns.
class AckDuringSend {
 public:
  explicit AckDuringSend(CameraCore& camera) : camera_(camera) {}
  ~AckDuringSend() {
    if (thread_.joinable()) thread_.join();
  }
  // Delivers the acknowledgement on another thread and waits, at most 5 s, for it to be handled.
  bool Deliver(const wire::VideoAck& ack, const NetAddress& from) {
    thread_ = std::thread([this, ack, from] {
      wire::Datagram d = wire::EncodeVideoAck(ack);
      camera_.OnReceive(d.data(), d.size(), from);
      std::lock_guard<std::mutex> lock(mu_);
      handled_ = true;
      cv_.notify_all();
    });
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::seconds(5), [this] { return handled_; });
  }

 private:
  CameraCore& camera_;
  std::thread thread_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool handled_ = false;
};

TEST_F(VideoTest, AcknowledgementsAreHandledWhileAFrameIsBeingSent) {
  AckDuringSend ack(camera);
  int handledDuringSend = -1;
  sender.onSend = [&](const Sent& s) {
    // Peer 1 comes first in the map: its fragment is out when peer 2's goes.
    if (handledDuringSend < 0 && s.to == Peer(2) && s.type() == wire::kVideoData)
      handledDuringSend = ack.Deliver({1, 0}, Peer(1)) ? 1 : 0;
  };
  PassWithFrame(100);
  sender.onSend = nullptr;
  EXPECT_EQ(handledDuringSend, 1);
  EXPECT_EQ(camera.PendingAcknowledgements(), 1u) << "the record was listed before the sends";
  sender.TakeAll();
  clock.Advance(kRetransmitStepMs + 1);
  camera.WorkerPass();
  auto sent = sender.TakeAll();
  EXPECT_TRUE(VideoTo(sent, Peer(1)).empty());
  EXPECT_EQ(VideoTo(sent, Peer(2)).size(), 1u);
}

TEST_F(VideoTest, AcknowledgementsAreHandledWhileFragmentsAreResent) {
  PassWithFrame(600);  // two fragments, nobody acknowledges
  sender.TakeAll();
  AckDuringSend ack(camera);
  int handledDuringSend = -1;
  sender.onSend = [&](const Sent& s) {
    if (handledDuringSend < 0 && s.to == Peer(1) && s.type() == wire::kVideoData)
      handledDuringSend = ack.Deliver({1, 1}, Peer(2)) ? 1 : 0;
  };
  clock.Advance(kRetransmitStepMs + 1);
  camera.WorkerPass();
  sender.onSend = nullptr;
  EXPECT_EQ(handledDuringSend, 1);
  auto sent = sender.TakeAll();
  EXPECT_EQ(VideoTo(sent, Peer(1)).size(), 2u);
  EXPECT_EQ(VideoTo(sent, Peer(2)).size(), 2u) << "the pass chose its sends before the acknowledgement";
  clock.Advance(kRetransmitStepMs);
  camera.WorkerPass();
  sent = sender.TakeAll();
  EXPECT_EQ(VideoTo(sent, Peer(1)).size(), 2u);
  ASSERT_EQ(VideoTo(sent, Peer(2)).size(), 1u);
  EXPECT_EQ(VideoTo(sent, Peer(2))[0][20], 0) << "the acknowledged fragment is not resent";
}

TEST_F(VideoTest, FailedSendDoesNotCountAsTarget) {
  sender.failFor = Peer(1);
  PassWithFrame(100);
  auto sent = sender.TakeAll();
  EXPECT_EQ(VideoTo(sent, Peer(2)).size(), 1u);
  Deliver(wire::EncodeVideoAck({1, 0}), Peer(2));
  EXPECT_EQ(camera.PendingFragmentCount(), 0u) << "one target only";

  sender.failFor = Peer(2);
  FromPeer(Peer(1), wire::kStopVideoReq);
  PassWithFrame(2000);
  EXPECT_EQ(camera.PendingFragmentCount(), 0u) << "nobody took it: the frame stops";
}

}  // namespace
}  // namespace lantern
