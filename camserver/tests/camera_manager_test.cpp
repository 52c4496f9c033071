// Several cameras in one process under Wine: motion reports of the detector reach the
// camera whose channel they name, also after a stopped camera's channel is handed out again.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Tremor.h"
#include "common/byte_io.h"
#include "common/clock.h"
#include "rendezvous_standin.h"
#include "virtual_camera_mgr.h"
#include "wait_until.h"

namespace lantern {
namespace {

using standins::RecordedDatagram;
using standins::RendezvousStandin;
using testing::WaitUntil;

std::string TempFile(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

void WriteGreyBmp(const std::string& path, uint8_t level) {
  const int w = 64, h = 48;
  std::vector<uint8_t> f(54 + w * h * 3, level);
  std::fill(f.begin(), f.begin() + 54, 0);
  f[0] = 'B';
  f[1] = 'M';
  common::PutU32LE(&f[2], static_cast<uint32_t>(f.size()));
  common::PutU32LE(&f[10], 54);
  common::PutU32LE(&f[14], 40);
  common::PutU32LE(&f[18], w);
  common::PutU32LE(&f[22], h);
  common::PutU16LE(&f[26], 1);
  common::PutU16LE(&f[28], 24);
  common::PutU32LE(&f[34], w * h * 3);
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
}

class CameraManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    VirtualCameraMgr::SetServer("127.0.0.1", server.Port());
    VirtualCameraMgr::Instance().SetClockForNewCameras(&clock);
    calm = TempFile("lantern_manager_calm.bmp");
    moved = TempFile("lantern_manager_moved.bmp");
    WriteGreyBmp(calm, 100);
    WriteGreyBmp(moved, 160);
  }
  void TearDown() override {
    VirtualCameraMgr::Destroy();
    server.Stop();
    DeleteFileA(calm.c_str());
    DeleteFileA(moved.c_str());
  }

  // Creates a camera without video source and waits for its probe.
  CVirtualCamera* Make(const char* name, NetAddress* address) {
    const uint64_t mark = server.NextOrder();
    void* handle = VirtualCameraMgr::Instance().Create(name, 0, "127.0.0.1", 1);
    EXPECT_NE(handle, nullptr);
    EXPECT_NE(handle, reinterpret_cast<void*>(-1));
    auto probe = server.WaitFor(
        [&](const RecordedDatagram& d) { return d.IsProbe() && d.order >= mark; }, 3000);
    EXPECT_TRUE(probe.has_value());
    if (probe) *address = probe->from;
    return VirtualCameraMgr::Instance().Find(name);
  }
  void RegisterAll() {
    clock.Advance(2501);
    ASSERT_TRUE(WaitUntil([&] {
      for (const char* n : {"{MGR-A}", "{MGR-B}", "{MGR-C}"}) {
        CVirtualCamera* c = VirtualCameraMgr::Instance().Find(n);
        if (c != nullptr && !c->IsRegistered()) return false;
      }
      return true;
    }));
  }
  // Shows the channel differing pictures until an alarm notice from `camera` reaches the
  // server (the first picture of a channel is its background).
  std::optional<RecordedDatagram> MotionOn(int channel, const NetAddress& camera) {
    const uint64_t mark = server.NextOrder();
    auto fromCamera = [&](const RecordedDatagram& d) {
      return d.order >= mark && d.Is(wire::kAlarmNotify) && d.from == camera;
    };
    for (int i = 0; i < 40; ++i) {
      ::MoveCheckByPicFile(channel, (i % 2 ? moved : calm).c_str());
      if (auto notice = server.WaitFor(fromCamera, 150)) return notice;
    }
    return std::nullopt;
  }
  size_t AlarmsFrom(const NetAddress& camera, uint64_t since) {
    size_t n = 0;
    for (const RecordedDatagram& d : server.Received())
      if (d.order >= since && d.Is(wire::kAlarmNotify) && d.from == camera) ++n;
    return n;
  }

  common::ManualClock clock{9000};
  RendezvousStandin server;
  std::string calm, moved;
};

TEST_F(CameraManagerTest, MotionReachesTheCameraOfItsChannelAlsoWhenTheChannelIsReused) {
  NetAddress addressA, addressB, addressC;
  CVirtualCamera* a = Make("{MGR-A}", &addressA);
  CVirtualCamera* b = Make("{MGR-B}", &addressB);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(a->cameraIndex(), b->cameraIndex());
  RegisterAll();
  ::SetThreshold(30);

  const uint64_t start = server.NextOrder();
  auto notice = MotionOn(b->cameraIndex(), addressB);
  ASSERT_TRUE(notice.has_value()) << "no alarm from the second camera";
  EXPECT_EQ(notice->bytes[5], 1);
  EXPECT_TRUE(b->AlarmActive());
  EXPECT_FALSE(a->AlarmActive());
  EXPECT_EQ(AlarmsFrom(addressA, start), 0u);

  // The first camera goes; its channel is handed to the next camera, whose first picture
  // is a new background and whose motion reaches only it.
  const int channel = a->cameraIndex();
  ASSERT_EQ(VirtualCameraMgr::Instance().Stop("{MGR-A}"), 1);
  CVirtualCamera* c = Make("{MGR-C}", &addressC);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->cameraIndex(), channel);
  RegisterAll();
  ::SetThreshold(30);
  const uint64_t reused = server.NextOrder();
  notice = MotionOn(channel, addressC);
  ASSERT_TRUE(notice.has_value()) << "no alarm from the camera on the reused channel";
  EXPECT_TRUE(c->AlarmActive());
  EXPECT_EQ(AlarmsFrom(addressB, reused), 0u);
  EXPECT_EQ(AlarmsFrom(addressA, reused), 0u);
}

}  // namespace
}  // namespace lantern
