#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/byte_io.h"

#include "alarm_params.h"
#include "camera_core.h"
#include "fake_ports.h"

namespace lantern {
namespace {

using testing::kServer;

TEST(AlarmParams, DefaultRecordArmsTheFirstQuarterOfEvenHours) {
  AlarmParamRecord r = AlarmParamRecord::FromStored(nullptr, 0);
  EXPECT_EQ(0, std::memcmp(r.bytes(), "MO_P\x2A\x01", 6));
  EXPECT_EQ(r.sensitivity(), 5);
  EXPECT_EQ(r.bytes()[31], 1);
  for (int d = 0; d < 7; ++d)
    for (int h = 0; h < 24; ++h)
      for (int m = 0; m < 60; m += 7)
        EXPECT_EQ(r.ArmedAt({d, h, m}), h % 2 == 0 && m <= 14) << d << " " << h << ":" << m;
}

TEST(AlarmParams, ScheduleBitsAndTheEnableSwitch) {
  uint8_t bytes[AlarmParamRecord::kSize] = {};
  bytes[5] = 1;
  // Wednesday (3) 17:45: word 3*3 + 2, bit (17 % 8) * 4 + 3 = 7.
  bytes[32 + 4 * 11] = 0x80;
  AlarmParamRecord r = AlarmParamRecord::FromStored(bytes, sizeof bytes);
  EXPECT_TRUE(r.ArmedAt({3, 17, 45}));
  EXPECT_TRUE(r.ArmedAt({3, 17, 59}));
  EXPECT_FALSE(r.ArmedAt({3, 17, 44}));
  EXPECT_FALSE(r.ArmedAt({4, 17, 45}));
  bytes[5] = 0;
  EXPECT_FALSE(AlarmParamRecord::FromStored(bytes, sizeof bytes).ArmedAt({3, 17, 45}));
  // A short file keeps what it held and takes the defaults on top.
  bytes[6] = 42;
  AlarmParamRecord shortOne = AlarmParamRecord::FromStored(bytes, 10);
  EXPECT_EQ(shortOne.sensitivity(), 5);
  EXPECT_TRUE(shortOne.enabled());
}

TEST(AlarmParams, PeerSensitivityIsScaledAndClamped) {
  struct Case { int32_t sent; int32_t stored; };
  const Case cases[] = {{20, 90}, {0, 1}, {10, 60}, {16, 96}, {17, 90}, {-3, 1},
                        {0x7FFFFFFF, 90}, {static_cast<int32_t>(0x80000000), 1}};
  for (const Case& c : cases) {
    uint8_t peer[AlarmParamRecord::kSize] = {'M', 'O', 'P', 0, 0x2A};
    common::PutU32LE(peer + 6, static_cast<uint32_t>(c.sent));
    AlarmParamRecord r;
    r.SetFromPeer(peer);
    EXPECT_EQ(r.sensitivity(), c.stored) << c.sent;
    EXPECT_EQ(0, std::memcmp(r.bytes(), "MOP\0", 4)) << "the peer's magic is kept";
  }
}

class FakeStore : public AlarmParamStore {
 public:
  size_t Load(uint8_t* record, size_t size) override {
    size_t n = std::min(size, file.size());
    if (n) std::memcpy(record, file.data(), n);
    return n;
  }
  SaveResult Save(const uint8_t* record, size_t size) override {
    if (result == SaveResult::kSaved) file.assign(record, record + size);
    return result;
  }
  std::vector<uint8_t> file;
  SaveResult result = SaveResult::kSaved;
};

class FakeDetector : public MotionDetectorPort {
 public:
  void SetThreshold(int t) override { threshold = t; }
  int threshold = -1;
};

class FixedTime : public LocalTimeSource {
 public:
  LocalTime Now() override { return now; }
  LocalTime now{1, 2, 5};
};

class AlarmCameraTest : public ::testing::Test, protected testing::FakeCameraWorld {
 protected:
  AlarmCameraTest() { Make(); }
  void Make() {
    CameraEnvironment env = Environment();
    env.alarmStore = &store;
    env.detector = &detector;
    env.localTime = &time;
    camera = std::make_unique<CameraCore>("cam", env);
    camera->SetServerAddress(kServer);
    camera->LoadAlarmParams();
  }
  void Register() {
    clock.Advance(kHousekeepingIntervalMs + 1);
    camera->WorkerPass();
    auto resp = wire::EncodeRegisterResp({1, 2});
    camera->OnReceive(resp.data(), resp.size(), kServer);
    ASSERT_TRUE(camera->IsRegistered());
  }
  void ConnectPeer(const NetAddress& peer) {
    auto n = wire::EncodeSessionNotify({peer.IpText(), peer.port});
    camera->OnReceive(n.data(), n.size(), kServer);
    auto c = wire::EncodeCommand(wire::kConnectResp);
    camera->OnReceive(c.data(), c.size(), peer);
  }
  // Keeps the server and the peer alive and runs one worker pass at the current time.
  void Pass() {
    auto any = wire::EncodeCommand(0x55);
    camera->OnReceive(any.data(), any.size(), kServer);
    camera->OnReceive(any.data(), any.size(), peer);
    camera->WorkerPass();
  }
  std::vector<uint8_t> AlarmsTo(const NetAddress& to) {
    std::vector<uint8_t> states;
    for (auto& s : sender.TakeAll())
      if (s.to == to && s.type() == wire::kAlarmNotify) states.push_back(s.bytes[5]);
    return states;
  }

  FakeStore store;
  FakeDetector detector;
  FixedTime time;
  std::unique_ptr<CameraCore> camera;
  const NetAddress peer{0x0A000002, 7000};
};

TEST_F(AlarmCameraTest, OneRaisePerHoldThenClearFromTheWorkerThenRaiseAgain) {
  Register();
  ConnectPeer(peer);
  sender.TakeAll();

  camera->OnMotion(1);
  clock.Advance(30000);
  Pass();
  camera->OnMotion(1);  // 30 s later: still the same alarm
  auto all = sender.TakeAll();
  int raises = 0;
  for (auto& s : all)
    if (s.type() == wire::kAlarmNotify) ++raises;
  EXPECT_EQ(raises, 2) << "one notice to the server and one to the peer";

  clock.Advance(30001);  // 60001 ms after the raise
  Pass();
  EXPECT_FALSE(camera->AlarmActive());
  EXPECT_EQ(sender.CountTo(kServer, wire::kAlarmNotify), 1u);
  EXPECT_EQ(AlarmsTo(peer), (std::vector<uint8_t>{0}));

  camera->OnMotion(1);
  EXPECT_EQ(AlarmsTo(kServer), (std::vector<uint8_t>{1}));
  EXPECT_TRUE(camera->AlarmActive());
}

TEST(AlarmState, AlarmStampedAfterTheReadingIsNotDue) {
  AlarmState alarm;
  EXPECT_EQ(alarm.OnMotion(1, 5005), 1);
  // The worker read 5000 before the detector thread raised the alarm at 5005.
  EXPECT_FALSE(alarm.ClearIfDue(5000));
  EXPECT_EQ(alarm.OnMotion(1, 5000), -1);
  EXPECT_TRUE(alarm.active());
  EXPECT_FALSE(alarm.ClearIfDue(5005 + kAlarmHoldMs));
  EXPECT_TRUE(alarm.ClearIfDue(5005 + kAlarmHoldMs + 1));
  EXPECT_FALSE(alarm.active());
}

TEST(AlarmState, HoldRunsAcrossTheTickCounterWrap) {
  AlarmState alarm;
  const uint32_t raised = 0xFFFFFFFFu - 20000;
  EXPECT_EQ(alarm.OnMotion(1, raised), 1);
  EXPECT_FALSE(alarm.ClearIfDue(raised + 30000));  // wrapped to 9999
  EXPECT_EQ(alarm.OnMotion(1, raised + kAlarmHoldMs), -1);
  EXPECT_FALSE(alarm.ClearIfDue(raised + kAlarmHoldMs));
  EXPECT_TRUE(alarm.ClearIfDue(raised + kAlarmHoldMs + 1));
  // A report of state 0 clears only a due alarm, across the wrap as well.
  EXPECT_EQ(alarm.OnMotion(1, 0xFFFFFFF0u), 1);
  EXPECT_EQ(alarm.OnMotion(0, 100), -1);
  EXPECT_EQ(alarm.OnMotion(0, 0xFFFFFFF0u + kAlarmHoldMs + 1), 0);
}

TEST_F(AlarmCameraTest, AlarmRaisedAfterTheWorkersReadingStaysHeld) {
  Register();
  ConnectPeer(peer);
  const uint32_t passReading = clock.NowMs();
  clock.Advance(4);
  camera->OnMotion(1);  // the detector thread, just after the worker read the clock
  clock.Set(passReading);
  Pass();
  EXPECT_TRUE(camera->AlarmActive());
  EXPECT_EQ(AlarmsTo(kServer), (std::vector<uint8_t>{1}));
  clock.Advance(4 + kAlarmHoldMs);
  Pass();
  EXPECT_TRUE(camera->AlarmActive());
  EXPECT_TRUE(AlarmsTo(kServer).empty());
  clock.Advance(1);
  Pass();
  EXPECT_FALSE(camera->AlarmActive());
  EXPECT_EQ(AlarmsTo(kServer), (std::vector<uint8_t>{0}));
}

TEST_F(AlarmCameraTest, NoAlarmWhileUnregistered) {
  camera->OnMotion(1);
  EXPECT_FALSE(camera->AlarmActive());
  EXPECT_TRUE(AlarmsTo(kServer).empty());
}

TEST_F(AlarmCameraTest, ParametersSurviveARestartThroughTheStore) {
  EXPECT_EQ(detector.threshold, 5) << "the defaults' sensitivity, unscaled";
  EXPECT_TRUE(camera->IsAlarmArmedNow()) << "02:05 on the default schedule";
  time.now = {1, 3, 5};
  EXPECT_FALSE(camera->IsAlarmArmedNow());

  uint8_t peer[AlarmParamRecord::kSize] = {'M', 'O', '_', 'P', 0x2A, 1};
  common::PutU32LE(peer + 6, 10);
  camera->SetAlarmParams(peer, sizeof peer);
  EXPECT_EQ(detector.threshold, 60);
  ASSERT_EQ(store.file.size(), AlarmParamRecord::kSize);

  Make();  // a new camera of the same name reads the file
  EXPECT_EQ(detector.threshold, 60) << "stored scaled, loaded unscaled";
  uint8_t back[AlarmParamRecord::kSize];
  camera->GetAlarmParams(back);
  EXPECT_EQ(common::GetU32LE(back + 6), 60u);
  EXPECT_FALSE(camera->IsAlarmArmedNow()) << "the peer's record has an empty schedule";
}

TEST_F(AlarmCameraTest, SaveFailuresAreLoggedAndTheRecordKept) {
  uint8_t peer[AlarmParamRecord::kSize] = {'M', 'O', '_', 'P', 0x2A, 1};
  common::PutU32LE(peer + 6, 2);
  store.result = AlarmParamStore::SaveResult::kOpenFailed;
  camera->SetAlarmParams(peer, sizeof peer);
  EXPECT_TRUE(log.Contains("set alarm parm open file failed"));
  store.result = AlarmParamStore::SaveResult::kShortWrite;
  camera->SetAlarmParams(peer, sizeof peer);
  EXPECT_TRUE(log.Contains("set alarm parm save to file data failed"));
  uint8_t back[AlarmParamRecord::kSize];
  camera->GetAlarmParams(back);
  EXPECT_EQ(common::GetU32LE(back + 6), 12u);
}

}  // namespace
}  // namespace lantern
