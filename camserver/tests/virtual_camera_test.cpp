// A virtual camera with its real socket and worker under Wine, talking to stand-in server
// and viewers on 127.0.0.1; time is a manual clock, so the 2.5 s and 60 s rules run at once.
#include "virtual_camera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "alarm_files.h"
#include "peer_session.h"
#include "peer_standin.h"
#include "rendezvous_standin.h"
#include "wait_until.h"

namespace lantern {
namespace {

using standins::PeerStandin;
using standins::RecordedDatagram;
using standins::RendezvousStandin;
using testing::WaitUntil;

class FramingCamera : public CVirtualCamera {
 public:
  using CVirtualCamera::CVirtualCamera;
  ~FramingCamera() override { StopWorker(); }
  bool GrabFrame(JpegOutBuffer& out, bool anyViewer) override {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    out.length = 0;
    if (next.empty() || !anyViewer) return true;
    out.data = next;
    out.length = next.size();
    next.clear();
    return true;
  }
  void QueueFrame(size_t size) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    next.assign(size, 0x42);
  }
  std::vector<uint8_t> next;
};

class VirtualCameraTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }

  void SetUp() override {
    ASSERT_TRUE(server.Start());
    camera = std::make_unique<FramingCamera>("cam-under-test", "127.0.0.1", 0, &clock);
    camera->ConnectServer("127.0.0.1", server.Port());
    cameraAddress = NetAddress{0x7F000001, camera->localPort()};
  }
  void TearDown() override {
    camera.reset();
    server.Stop();
  }

  // Moves the clock past a housekeeping pass and waits for the worker to run it.
  void HousekeepingPass(uint8_t expectType) {
    size_t before = server.Count(expectType);
    clock.Advance(kHousekeepingIntervalMs + 1);
    ASSERT_TRUE(WaitUntil([&] { return server.Count(expectType) > before; }));
  }
  void Register() {
    HousekeepingPass(wire::kRegisterReq);
    ASSERT_TRUE(WaitUntil([&] { return camera->IsRegistered(); }));
  }
  std::unique_ptr<PeerStandin> Viewer(bool video = true) {
    auto viewer = std::make_unique<PeerStandin>();
    EXPECT_TRUE(viewer->Start());
    server.SendSessionNotify(cameraAddress, "127.0.0.1", viewer->Port());
    EXPECT_TRUE(viewer->WaitFor(wire::kConnectReq, 3000).has_value());
    EXPECT_TRUE(WaitUntil([&] {
      bool connected = false, on = false;
      return camera->SessionState(viewer->Address().Text(), &connected, &on) && connected;
    }));
    if (video) {
      viewer->Send(wire::kStartVideoReq, cameraAddress);
      EXPECT_TRUE(viewer->WaitFor(wire::kStartVideoResp, 3000).has_value());
    }
    return viewer;
  }

  common::ManualClock clock{5000};
  RendezvousStandin server;
  std::unique_ptr<FramingCamera> camera;
  NetAddress cameraAddress;
};

TEST_F(VirtualCameraTest, ProbeThenRegistrationThenStatus) {
  auto probe = server.WaitFor([](const RecordedDatagram& d) { return d.IsProbe(); }, 3000);
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(std::string(probe->bytes.begin(), probe->bytes.end()), "test for get local port");
  EXPECT_EQ(probe->from.port, cameraAddress.port);

  server.SetAnswerRegistrations(false);
  clock.Advance(kHousekeepingIntervalMs);
  const uint64_t passes = camera->WorkerPasses();
  ASSERT_TRUE(WaitUntil([&] { return camera->WorkerPasses() >= passes + 2; }));
  EXPECT_EQ(server.Count(wire::kRegisterReq), 0u) << "nothing until more than 2500 ms passed";
  HousekeepingPass(wire::kRegisterReq);
  auto reg = server.WaitFor(wire::kRegisterReq, 1000);
  ASSERT_TRUE(reg.has_value());
  wire::RegisterReq req;
  ASSERT_TRUE(wire::DecodeRegisterReq(reg->bytes.data(), reg->bytes.size(), &req));
  EXPECT_EQ(req.name, "cam-under-test");
  EXPECT_EQ(req.port, cameraAddress.port);
  EXPECT_FALSE(camera->IsRegistered());

  HousekeepingPass(wire::kRegisterReq);  // unanswered: it registers again
  server.SendRaw(wire::EncodeRegisterResp({3, 4}), cameraAddress);
  ASSERT_TRUE(WaitUntil([&] { return camera->IsRegistered(); }));
  HousekeepingPass(wire::kHeartbeatReq);
  auto beat = server.WaitFor(wire::kHeartbeatReq, 1000);
  ASSERT_TRUE(beat.has_value());
  EXPECT_EQ(beat->bytes, wire::EncodeHeartbeatReq({3, 4}));
}

TEST_F(VirtualCameraTest, ServerSilenceUnregistersAndDisconnectsEveryPeer) {
  Register();
  auto a = Viewer();
  auto b = Viewer(false);
  server.SetSilent(true);
  clock.Advance(kServerSilenceMs + 1);
  ASSERT_TRUE(WaitUntil([&] { return !camera->IsRegistered(); }));
  EXPECT_TRUE(a->WaitFor(wire::kDisConnectResp, 3000).has_value());
  EXPECT_TRUE(b->WaitFor(wire::kDisConnectResp, 3000).has_value());
  EXPECT_EQ(camera->SessionCount(), 0u);
}

TEST_F(VirtualCameraTest, RetransmitsToTheViewerThatDoesNotAcknowledge) {
  Register();
  auto acking = Viewer();
  auto silent = Viewer();
  silent->SetAutoAck(false);
  camera->QueueFrame(1500);  // three fragments
  clock.Advance(kFrameIntervalMs + 1);
  ASSERT_TRUE(acking->WaitFor(wire::kVideoData, 2000, 3).has_value());
  ASSERT_TRUE(silent->WaitFor(wire::kVideoData, 2000, 3).has_value());
  ASSERT_TRUE(WaitUntil([&] {
    return camera->PendingFragmentCount() == 3u && camera->PendingAcknowledgements() == 3u;
  }));
  // Acknowledgements for frames never sent change nothing.
  silent->SendRaw(wire::EncodeVideoAck({999, 0}), cameraAddress);

  for (int pass = 0; pass < kMaxRetransmissions; ++pass) {
    size_t before = silent->Count(wire::kVideoData);
    clock.Advance(kRetransmitStepMs + (pass == 0 ? 1 : 0));  // due only when over 50 ms
    ASSERT_TRUE(WaitUntil([&] { return silent->Count(wire::kVideoData) >= before + 3; }));
  }
  ASSERT_TRUE(WaitUntil([&] { return camera->PendingFragmentCount() == 0u; }));
  // Later passes send nothing more: the record went with the eighth resend.
  clock.Advance(kRetransmitStepMs * 2);
  const uint64_t passes = camera->WorkerPasses();
  ASSERT_TRUE(WaitUntil([&] { return camera->WorkerPasses() >= passes + 2; }));
  EXPECT_EQ(silent->Count(wire::kVideoData), 3u * (1 + kMaxRetransmissions));
  EXPECT_EQ(acking->Count(wire::kVideoData), 3u);
  EXPECT_EQ(acking->Stats().completed, 1u);
}

TEST_F(VirtualCameraTest, FrameLargerThanTheInitialJpegBlockArrivesWhole) {
  Register();
  auto viewer = Viewer();
  camera->QueueFrame(150000);  // 293 fragments
  clock.Advance(kFrameIntervalMs + 1);
  // A burst this size can overflow the viewer's socket buffer; resends fill the gaps.
  for (int pass = 0; pass < kMaxRetransmissions && !viewer->WaitForFrames(1, 300); ++pass)
    clock.Advance(kRetransmitStepMs + 1);
  ASSERT_TRUE(viewer->WaitForFrames(1, 1000));
  auto frames = viewer->Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].jpeg.size(), 150000u);
  EXPECT_EQ(frames[0].jpeg, std::vector<uint8_t>(150000, 0x42));
}

TEST_F(VirtualCameraTest, StrangersAndGarbageAreDroppedWithoutReply) {
  Register();
  auto viewer = Viewer();
  PeerStandin stranger;
  ASSERT_TRUE(stranger.Start());
  stranger.Send(wire::kConnectReq, cameraAddress);

  std::mt19937 rng(7);
  const uint8_t types[] = {0x00, 0x01, 0x02, 0x04, 0x0E, 0x1C, 0x28, 0x2A, 0x64, 0x72, 0x7A, 0xFD};
  for (int i = 0; i < 600; ++i) {
    std::vector<uint8_t> d(rng() % 420 + 1);
    for (auto& byte : d) byte = static_cast<uint8_t>(rng());
    if (d.size() > 4) d[4] = types[rng() % sizeof types];
    d.resize(rng() % d.size() + 1);  // truncated
    switch (i % 3) {
      case 0: stranger.SendRaw(d, cameraAddress); break;
      case 1: server.SendRaw(d, cameraAddress); break;
      default:
        if (d.size() > 4 && d[4] != wire::kSessionNotify) viewer->SendRaw(d, cameraAddress);
    }
  }
  std::vector<uint8_t> oversized(5000, 0x02);
  stranger.SendRaw(oversized, cameraAddress);
  // Still serving the known viewer: its request comes after all of the above.
  size_t before = viewer->Count(wire::kStopVideoResp);
  viewer->Send(wire::kStopVideoReq, cameraAddress);
  EXPECT_TRUE(viewer->WaitFor(wire::kStopVideoResp, 2000, before + 1).has_value());
  // Never answering the stranger: a reply would have reached it before this marker.
  viewer->SendRaw(std::vector<uint8_t>{'m', 'a', 'r', 'k'}, stranger.Address());
  ASSERT_TRUE(stranger.WaitFor([](const RecordedDatagram& d) { return d.bytes.size() == 4; }, 2000).has_value());
  EXPECT_EQ(stranger.Received().size(), 1u);
  EXPECT_LE(camera->SessionCount(), kMaxSessions);
}

TEST_F(VirtualCameraTest, DatagramOverTheBufferFromAKnownPeerIsDropped) {
  Register();
  auto viewer = Viewer();
  // A Stop_video_Req of 5000 bytes: cut to 4096 it would still read as one.
  std::vector<uint8_t> oversized(5000, 0);
  std::memcpy(oversized.data(), "MO_P\x04", 5);
  viewer->SendRaw(oversized, cameraAddress);
  std::vector<uint8_t> fits(4096, 0);
  std::memcpy(fits.data(), "MO_P\x28", 5);  // Get_AlarmParam_Req at the buffer's size
  viewer->SendRaw(fits, cameraAddress);
  ASSERT_TRUE(viewer->WaitFor(wire::kAlarmParamResp, 2000).has_value());
  EXPECT_EQ(viewer->Count(wire::kStopVideoResp), 0u);
  bool connected = false, video = false;
  ASSERT_TRUE(camera->SessionState(viewer->Address().Text(), &connected, &video));
  EXPECT_TRUE(connected);
  EXPECT_TRUE(video) << "the oversized request stopped nothing";
}

TEST_F(VirtualCameraTest, PeerReadsBackTheAlarmParametersItSet) {
  auto viewer = Viewer(false);
  std::vector<uint8_t> record(wire::kAlarmParamRecordSize, 0x33);
  std::memcpy(record.data(), "MO_P\x2A", 5);
  viewer->SendRaw(record, cameraAddress);
  // One peer's datagrams are handled in the order sent: the set comes first.
  viewer->Send(wire::kGetAlarmParamReq, cameraAddress);
  auto resp = viewer->WaitFor(wire::kAlarmParamResp, 2000);
  ASSERT_TRUE(resp.has_value());
  ASSERT_EQ(resp->bytes.size(), 315u);
  EXPECT_EQ(resp->bytes[5], 0x33);
  EXPECT_EQ(resp->bytes[314], 0x33);
}

TEST_F(VirtualCameraTest, AlarmParametersSurviveARestartThroughTheirFile) {
  std::string path = AlarmParamFilePath("cam-under-test");
  EXPECT_NE(path.find("\\lantern_virtual_camera_test\\cam-under-test.apd"), std::string::npos) << path;
  auto viewer = Viewer(false);
  std::vector<uint8_t> record(wire::kAlarmParamRecordSize, 0);
  std::memcpy(record.data(), "MO_P\x2A\x01", 6);
  record[6] = 10;  // sensitivity 10 is stored as 60
  viewer->SendRaw(record, cameraAddress);
  ASSERT_TRUE(WaitUntil([&] {
    uint8_t now[wire::kAlarmParamRecordSize];
    camera->GetAlarmParams(now);
    return now[6] == 60;
  }));
  viewer.reset();
  camera.reset();

  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 315u);
  CloseHandle(file);

  camera = std::make_unique<FramingCamera>("cam-under-test", "127.0.0.1", 0, &clock);
  uint8_t loaded[wire::kAlarmParamRecordSize];
  camera->GetAlarmParams(loaded);
  EXPECT_EQ(loaded[6], 60);
  EXPECT_FALSE(camera->IsAlarmArmedNow()) << "the peer's record has no schedule bits";
  DeleteFileA(path.c_str());
}

// The detector's picture file is rewritten in place each check: a smaller picture must not
// leave the end of a larger one behind.
TEST(SnapshotFileTest, RewriteLeavesExactlyTheNewImage) {
  const std::string path = SnapshotFilePath(77);
  auto read = [&] {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string("<missing>");
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
  };
  const std::string large(3000, 'L'), small = "BM-small";
  ASSERT_TRUE(WriteSnapshot(path, reinterpret_cast<const uint8_t*>(large.data()), large.size()));
  EXPECT_EQ(read(), large);
  ASSERT_TRUE(WriteSnapshot(path, reinterpret_cast<const uint8_t*>(small.data()), small.size()));
  EXPECT_EQ(read(), small);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(path.substr(0, path.find_last_of('\\')).c_str());
}

}  // namespace
}  // namespace lantern
