// A capture camera end to end under Wine: the stand-in webcam, the real DirectShow graph,
// JPEG frames to a stand-in viewer, and motion alarms from a scene change.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "alarm_files.h"
#include "cap_virtual_camera.h"
#include "capture_devices.h"
#include "jpeg_decode.h"
#include "peer_standin.h"
#include "rendezvous_standin.h"
#include "testcam/test_camera.h"
#include "virtual_camera_mgr.h"
#include "wait_until.h"

namespace lantern {
namespace {

using standins::PeerStandin;
using standins::RecordedDatagram;
using standins::RendezvousStandin;
using testing::WaitUntil;

HMODULE g_testcam = nullptr;

template <typename F>
F TestCamFn(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_testcam, name)));
}

void SetScene(int scene) { TestCamFn<SetTestCameraSceneFn>("SetTestCameraScene")(scene); }

int TestDeviceIndex() {
  int count = GetCaptureDeviceCount();
  for (int i = 0; i < count; ++i) {
    const char* display = nullptr;
    const char* friendly = nullptr;
    if (GetCaptureDeviceNames(i, &display, &friendly) && std::string(friendly) == "Lookout Test Camera")
      return i;
  }
  return -1;
}

class CaptureCameraTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    g_testcam = LoadLibraryA("TestCam.ax");
    ASSERT_NE(g_testcam, nullptr);
    ASSERT_EQ(TestCamFn<RegisterTestCameraFn>("RegisterTestCamera")(nullptr, nullptr), S_OK);
  }
  static void TearDownTestSuite() {
    VirtualCameraMgr::Destroy();
    TestCamFn<UnregisterTestCameraFn>("UnregisterTestCamera")(nullptr);
    SetScene(0);
  }

  void SetUp() override {
    SetScene(0);
    ASSERT_TRUE(server.Start());
    VirtualCameraMgr::SetServer("127.0.0.1", server.Port());
  }
  void TearDown() override {
    if (!name.empty()) VirtualCameraMgr::Instance().Stop(name.c_str());
    server.Stop();
  }

  // Publishes the test device and waits for its registration (2.5 s of real time).
  void Publish(const char* cameraName) {
    name = cameraName;
    int device = TestDeviceIndex();
    ASSERT_GE(device, 0);
    void* handle = VirtualCameraMgr::Instance().Create(cameraName, device, "127.0.0.1", 2);
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(handle, reinterpret_cast<void*>(-1));
    camera = static_cast<CVirtualCamera*>(handle);
    ASSERT_NE(capture(), nullptr);
    auto probe = server.WaitFor([](const RecordedDatagram& d) { return d.IsProbe(); }, 3000);
    ASSERT_TRUE(probe.has_value());
    cameraAddress = probe->from;
    ASSERT_TRUE(WaitUntil([&] { return camera->IsRegistered(); }, 6000));
  }
  void Watch(PeerStandin& viewer) {
    ASSERT_TRUE(viewer.Start());
    server.SendSessionNotify(cameraAddress, "127.0.0.1", viewer.Port());
    ASSERT_TRUE(viewer.WaitFor(wire::kConnectReq, 3000).has_value());
    viewer.Send(wire::kStartVideoReq, cameraAddress);
    ASSERT_TRUE(viewer.WaitFor(wire::kStartVideoResp, 3000).has_value());
  }
  void SetAlarmParams(PeerStandin& viewer, bool enabled, int sensitivity) {
    std::vector<uint8_t> record(wire::kAlarmParamRecordSize, 0);
    std::memcpy(record.data(), "MO_P\x2A", 5);
    record[5] = enabled ? 1 : 0;
    record[6] = static_cast<uint8_t>(sensitivity);
    std::memset(&record[32], 0xFF, 84);  // armed around the clock
    viewer.SendRaw(record, cameraAddress);
    ASSERT_TRUE(WaitUntil([&] { return camera->IsAlarmArmedNow() == enabled; }));
  }

  CCapVirtualCamera* capture() const { return dynamic_cast<CCapVirtualCamera*>(camera); }

  RendezvousStandin server;
  std::string name;
  CVirtualCamera* camera = nullptr;
  NetAddress cameraAddress;
};

TEST_F(CaptureCameraTest, DevicesAreListedButTheSuitesOwnIpCamerasAreNot) {
  int before = GetCaptureDeviceCount();
  int index = TestDeviceIndex();
  ASSERT_GE(index, 0);
  const char* display = nullptr;
  const char* friendly = nullptr;
  ASSERT_TRUE(GetCaptureDeviceNames(index, &display, &friendly));
  EXPECT_NE(std::string(display).find("{C74486F3-73B3-498A-ADA8-57BC6BFA1D75}"), std::string::npos);

  auto add = TestCamFn<RegisterTestCameraFn>("RegisterTestCamera");
  ASSERT_EQ(add(L"Devicequil@10.0.0.9@Gate", L"quil-1"), S_OK);
  EXPECT_EQ(GetCaptureDeviceCount(), before) << "an IP camera's device is neither listed nor counted";
  ASSERT_EQ(add(L"Second Test Camera", L"second"), S_OK);
  EXPECT_EQ(GetCaptureDeviceCount(), before + 1);
  TestCamFn<UnregisterTestCameraFn>("UnregisterTestCamera")(L"quil-1");
  TestCamFn<UnregisterTestCameraFn>("UnregisterTestCamera")(L"second");
  EXPECT_EQ(GetCaptureDeviceCount(), before);
  EXPECT_FALSE(GetCaptureDeviceNames(before, &display, &friendly)) << "index past the list";
  EXPECT_EQ(VirtualCameraMgr::Instance().Create("cam-range", before, nullptr, 2), nullptr);
}

TEST_F(CaptureCameraTest, ViewerGetsUprightJpegFramesOnePerFramePass) {
  Publish("{CAPTURE-VIDEO}");
  PeerStandin viewer;
  Watch(viewer);
  ASSERT_TRUE(viewer.WaitForFrames(8, 10000));
  auto stats = viewer.Stats();
  EXPECT_EQ(stats.rejected, 0u);

  auto frames = viewer.Frames();
  ASSERT_FALSE(frames.empty());
  std::set<uint32_t> seqs;
  for (const auto& f : frames) EXPECT_TRUE(seqs.insert(f.seq).second) << "frame sent twice";
  testing::DecodedImage img;
  ASSERT_TRUE(testing::DecodeJpeg(frames.back().jpeg.data(), frames.back().jpeg.size(), &img));
  ASSERT_EQ(img.width, 640);
  ASSERT_EQ(img.height, 480);
  const uint8_t* top = img.At(320, 10);  // the picture's top band is red
  EXPECT_GT(top[0], 200);
  EXPECT_LT(top[2], 60);
  const uint8_t* bottom = img.At(320, 470);  // its bottom band is blue
  EXPECT_LT(bottom[0], 60);
  EXPECT_GT(bottom[2], 200);

  // Frames start at most once per frame pass, and passes are more than 166 ms apart. A
  // frame's send time is read after its encoding, which takes under one pass: n frames
  // span at least (n - 1) * 167 - 166 ms.
  std::map<uint32_t, uint32_t> started;  // frame -> send time
  for (const RecordedDatagram& d : viewer.Received()) {
    wire::VideoHeader h;
    const uint8_t* payload = nullptr;
    size_t n = 0;
    if (wire::DecodeVideoData(d.bytes.data(), d.bytes.size(), &h, &payload, &n))
      started[h.frameSeq] = h.sendTimeEarly;
  }
  ASSERT_GE(started.size(), 8u);
  const uint32_t span = started.rbegin()->second - started.begin()->second;
  EXPECT_GE(span + kFrameIntervalMs, (started.size() - 1) * (kFrameIntervalMs + 1))
      << started.size() << " frames in " << span << " ms";

  // Stopping video stops the encoding at once, while the frame passes go on.
  viewer.Send(wire::kStopVideoReq, cameraAddress);
  ASSERT_TRUE(viewer.WaitFor(wire::kStopVideoResp, 3000).has_value());
  uint32_t frozen = camera->FrameCounter();
  const uint32_t steps = capture()->frameSteps();
  ASSERT_TRUE(WaitUntil([&] { return capture()->frameSteps() >= steps + 4; }, 5000));
  EXPECT_EQ(camera->FrameCounter(), frozen);
}

TEST_F(CaptureCameraTest, SceneChangeRaisesAnAlarmAtServerAndViewer) {
  // A still grey picture (no frame counter) from the first frame on: whatever the stored or
  // default schedule, the detector's background is that picture.
  SetScene(0x100);
  Publish("{CAPTURE-ALARM}");
  PeerStandin viewer;
  Watch(viewer);
  SetAlarmParams(viewer, true, 5);  // threshold 30
  const uint32_t checks = capture()->motionChecks();
  ASSERT_TRUE(WaitUntil([&] { return capture()->motionChecks() >= checks + 3; }, 5000));
  EXPECT_EQ(server.Count(wire::kAlarmNotify), 0u) << "a still picture raises nothing";
  const uint64_t changed = server.NextOrder();
  SetScene(0x101);  // checkerboard: a large change everywhere
  auto atServer = server.WaitFor(wire::kAlarmNotify, 5000);
  ASSERT_TRUE(atServer.has_value());
  EXPECT_EQ(atServer->bytes[5], 1);
  EXPECT_GE(atServer->order, changed) << "raised by the change, not before it";
  auto atViewer = viewer.WaitFor(wire::kAlarmNotify, 3000);
  ASSERT_TRUE(atViewer.has_value());
  EXPECT_EQ(atViewer->bytes[5], 1);
  EXPECT_EQ(GetFileAttributesA(SnapshotFilePath(camera->cameraIndex()).c_str()) != INVALID_FILE_ATTRIBUTES, true);
  EXPECT_TRUE(camera->AlarmActive());
}

TEST_F(CaptureCameraTest, DetectionSwitchedOffWritesNoSnapshot) {
  Publish("{CAPTURE-QUIET}");
  PeerStandin viewer;
  Watch(viewer);
  SetAlarmParams(viewer, false, 5);
  std::string snapshot = SnapshotFilePath(camera->cameraIndex());
  DeleteFileA(snapshot.c_str());
  SetScene(1);
  // Every second frame pass would check for motion; four passes check nothing.
  const uint32_t steps = capture()->frameSteps();
  const uint32_t checks = capture()->motionChecks();
  ASSERT_TRUE(WaitUntil([&] { return capture()->frameSteps() >= steps + 4; }, 5000));
  EXPECT_EQ(capture()->motionChecks(), checks);
  EXPECT_EQ(GetFileAttributesA(snapshot.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(server.Count(wire::kAlarmNotify), 0u);
}

}  // namespace
}  // namespace lantern
