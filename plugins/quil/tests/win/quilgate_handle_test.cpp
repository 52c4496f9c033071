// The quil camera handle against the stand-in camera on loopback: login, the clock request,
// pan/tilt moves, alarms, the ends of the connection thread, motion parameters. The tick
// count is the test's where time matters.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <string>
#include <thread>

#include "http_exchange.h"
#include "quil_camera_handle.h"
#include "quil_ticks.h"
#include "quilcam_camera.h"
#include "quilcam_server.h"

using namespace quilgate::win;
using quilcam::CameraRecord;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
const std::string kAgent = "\r\nHost: 127.0.0.1\r\nUser-Agent: myclient/1.0 (cameras@lookout.invalid)\r\n\r\n";

int64_t UtcNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<int64_t>(((static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) -
                               116444736000000000ULL) / 10000000ULL);
}

struct Events {
  std::atomic<int> calls{0};
  std::atomic<int> wrong{0};
};
void OnEvent(long real, int event, int value, void* user) {
  auto* e = static_cast<Events*>(user);
  if (real != 1 || event != 2 || value != 1) ++e->wrong;
  ++e->calls;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

std::string Ops(const CameraRecord& r) {
  std::string s;
  for (const quilcam::OperationRecord& o : r.operations) s += std::to_string(o.op) + " ";
  return s;
}

class QuilHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    quilcam::CameraSettings s = camera_.settings();
    s.user = "admin";
    s.password = "pw";
    camera_.Configure(s);
    ASSERT_TRUE(server_.Start(kLoopback, 0, 0));
    std::memset(&item_, 0, sizeof item_);
    std::strcpy(item_.name, "cam1");
    std::strcpy(item_.ip, "127.0.0.1");
    std::strcpy(item_.cameratype, "quil");
    std::strcpy(item_.username, "admin");
    std::strcpy(item_.userpassword, "pw");
    item_.localport = server_.localPort();
    item_.webport = server_.webPort();
  }
  void TearDown() override { SetTickSourceForTesting(nullptr); }

  // Opened and logged in: the camera has seen codes 0, 2 and 16.
  CQuilCameraHandle* OpenLoggedIn(Events* events) {
    CQuilCameraHandle* h = CQuilCameraHandle::Create();
    EXPECT_NE(h, nullptr);
    EXPECT_EQ(h->Open(&item_, &OnEvent, events), 1);
    EXPECT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(16) == 1; }, 5000));
    return h;
  }
  bool WaitClosed(int n = 1) {
    return camera_.WaitFor([n](const CameraRecord& r) { return r.operationClosed == n; }, 5000);
  }

  quilcam::QuilCamera camera_;
  quilcam::CameraServer server_{&camera_};
  CAMLIST_ITEM item_;
};

}  // namespace

TEST_F(QuilHandle, OpenLogsInAndSetsTheClock) {
  Events events;
  CQuilCameraHandle* h = CQuilCameraHandle::Create();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->GetRealHandle(), -1);
  EXPECT_EQ(h->ptzState(), 255);
  const int64_t before = UtcNow();
  EXPECT_EQ(h->Open(&item_, &OnEvent, &events), 1);
  const int64_t after = UtcNow();
  EXPECT_EQ(h->GetRealHandle(), 1);
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(16) == 1; }, 5000));
  CameraRecord r = camera_.record();
  EXPECT_EQ(Ops(r), "0 2 16 ");
  EXPECT_TRUE(r.operations[0].payload.empty());
  EXPECT_EQ(r.operations[1].payload, Bytes({'a', 'd', 'm', 'i', 'n', 0, 0, 0, 0, 0, 0, 0, 0,
                                            'p', 'w', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(r.operations[2].payload.empty());
  // The clock request: the current UTC seconds, the camera's own login.
  ASSERT_EQ(r.requests.size(), 1u);
  EXPECT_GE(r.clock, before);
  EXPECT_LE(r.clock, after);
  EXPECT_EQ(r.requests[0], "GET /set_datetime.cgi?now=" + std::to_string(r.clock) + "&user=admin&pwd=pw HTTP/1.0" + kAgent);
  // Close and ReOpen do nothing; the object's end closes the connection.
  h->Close();
  h->ReOpen();
  EXPECT_EQ(h->GetRealHandle(), 1);
  EXPECT_EQ(camera_.record().operationConnections, 1);
  EXPECT_EQ(h->Open(&item_, &OnEvent, &events), -1);  // its thread still runs
  delete h;
  EXPECT_TRUE(WaitClosed());
  EXPECT_EQ(events.calls, 0);
}

TEST_F(QuilHandle, DirectionCommandsAndStop) {
  Events events;
  CQuilCameraHandle* h = OpenLoggedIn(&events);
  EXPECT_EQ(h->PTZCtrl(2, 9, 9, nullptr, 0), 1);
  EXPECT_EQ(h->ptzState(), 0);
  EXPECT_EQ(h->PTZCtrl(3, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(h->ptzState(), 255);
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.moves.size() == 2; }, 5000));
  EXPECT_EQ(camera_.record().moves, Bytes({0, 2}));
  // A stop with no move in progress and an unknown command send nothing: the next move
  // arrives right after the first two.
  EXPECT_EQ(h->PTZCtrl(13, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(h->PTZCtrl(42, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(h->ptzState(), 255);
  h->PTZCtrl(8, 0, 0, nullptr, 0);
  h->PTZCtrl(13, 0, 0, nullptr, 0);
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.moves.size() >= 4; }, 5000));
  EXPECT_EQ(camera_.record().moves, Bytes({0, 2, 12, 13}));
  EXPECT_EQ(camera_.record().operations.back().payload, Bytes({13}));
  delete h;
}

TEST_F(QuilHandle, AlarmsOfTypeOneReachTheCallback) {
  Events events;
  CQuilCameraHandle* h = OpenLoggedIn(&events);
  camera_.PushAlarm(2);
  camera_.PushAlarm(1);
  ASSERT_TRUE(WaitUntil([&] { return events.calls == 1; }));
  camera_.PushAlarm(3);
  camera_.PushAlarm(1);
  ASSERT_TRUE(WaitUntil([&] { return events.calls == 2; }));
  EXPECT_EQ(events.wrong, 0);
  delete h;
  EXPECT_EQ(events.calls, 2);
}

TEST_F(QuilHandle, RefusedLoginAndOversizedFirstValueEndTheThreadQuietly) {
  struct Case {
    uint16_t result;
    uint32_t first;
    const char* ops;
  };
  const Case cases[] = {{1, 1280, "0 "}, {0, 16777217, "0 "}, {0, 16777216, "0 2 16 "}};
  int closed = 0;
  for (const Case& c : cases) {
    camera_.ClearRecord();
    quilcam::CameraSettings s = camera_.settings();
    s.loginResult = c.result;
    s.firstLoginValue = c.first;
    camera_.Configure(s);
    Events events;
    CQuilCameraHandle* h = CQuilCameraHandle::Create();
    EXPECT_EQ(h->Open(&item_, &OnEvent, &events), 1);
    if (std::string(c.ops) == "0 ") {
      ASSERT_TRUE(WaitClosed()) << c.result << " " << c.first;
      EXPECT_FALSE(h->connectionRunning());
      EXPECT_EQ(h->GetRealHandle(), 1);  // still reported open
      camera_.PushAlarm(1);
      ++closed;
    } else {
      ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(16) == 1; }, 5000));
      EXPECT_TRUE(h->connectionRunning());
    }
    EXPECT_EQ(Ops(camera_.record()), c.ops);
    delete h;
    EXPECT_EQ(events.calls, 0);
  }
  EXPECT_EQ(closed, 2);
}

TEST_F(QuilHandle, KeepAliveEverySixtySecondsAndSilenceEndsAfterOneHundredTwenty) {
  common::ManualClock clock(1000000);
  SetTickSourceForTesting(&clock);
  // Nothing after the login result, which the handle took before it asked for the session:
  // a late status frame would be stamped after the clock moved.
  quilcam::CameraSettings s = camera_.settings();
  s.statusAfterStart = false;
  camera_.Configure(s);
  Events events;
  CQuilCameraHandle* h = OpenLoggedIn(&events);  // the last data from the camera: now
  camera_.SetSilent(true);
  clock.Advance(60000);
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(255) == 1; }, 5000));
  clock.Advance(59999);
  EXPECT_TRUE(h->connectionRunning());
  clock.Advance(1);  // 120 s of silence: not yet over the limit
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(255) == 2; }, 5000));
  EXPECT_TRUE(h->connectionRunning());
  EXPECT_EQ(camera_.record().operationClosed, 0);
  clock.Advance(1);
  ASSERT_TRUE(WaitClosed());
  EXPECT_TRUE(WaitUntil([&] { return !h->connectionRunning(); }));
  EXPECT_EQ(h->GetRealHandle(), 1);
  EXPECT_EQ(camera_.record().Count(255), 2);
  delete h;
}

TEST_F(QuilHandle, MotionParametersRoundTripThroughTheCamera) {
  quilcam::MotionSettings m;
  m.armed = 1;
  m.scheduleEnable = 1;
  m.schedule[0][0] = 65280;
  camera_.SetMotion(m);
  CQuilCameraHandle* reader = CQuilCameraHandle::Create();
  KV_CHANNMOTION got;
  std::memset(&got, 0, sizeof got);
  char name[] = "ignored", ip[] = "127.0.0.1", user[] = "admin", pw[] = "pw";
  ASSERT_EQ(reader->GetMotionPara(name, ip, 5, user, pw, &got, server_.localPort()), 1);
  EXPECT_EQ(got.motionArmed, 1);
  EXPECT_EQ(got.schedule[0].startHour * 100 + got.schedule[0].endHour, 204);
  EXPECT_EQ(camera_.record().requests.back(), "GET /get_params.cgi?&user=admin&pwd=pw HTTP/1.0" + kAgent);

  // Writing goes to the camera given to Open, whatever the arguments say.
  Events events;
  CQuilCameraHandle* h = OpenLoggedIn(&events);
  KV_CHANNMOTION put;
  std::memset(&put, 0, sizeof put);
  put.motionArmed = 0;
  put.schedule[0] = {8, 0, 10, 0, 7, {0, 0, 0}};
  put.schedule[1] = {0, 0, 24, 0, 6, {0, 0, 0}};
  for (int k = 2; k < 7; ++k) put.schedule[k].day = 99;
  char otherIp[] = "127.0.0.2", otherUser[] = "nobody";
  ASSERT_EQ(h->SetMotionPara(name, otherIp, 0, otherUser, otherUser, &put, 1), 1);
  std::string sched;
  for (const char* d : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"}) {
    const bool sun = std::strcmp(d, "sun") == 0, work = !sun && std::strcmp(d, "sat") != 0;
    sched += std::string("schedule_") + d + "_0=" + (sun ? "-1" : "0") + "&schedule_" + d + "_1=" +
             (sun ? "-1" : work ? "255" : "0") + "&schedule_" + d + "_2=" + (sun ? "-1" : "0") + "&";
  }
  EXPECT_EQ(camera_.record().requests.back(),
            "GET /set_alarm.cgi?motion_armed=0&" + sched + "&user=admin&pwd=pw HTTP/1.0" + kAgent);
  quilcam::MotionSettings stored = camera_.motion();
  EXPECT_EQ(stored.armed, 0);
  EXPECT_EQ(stored.schedule[6][1], -1);
  EXPECT_EQ(stored.schedule[4][1], 255);
  // Read back: Monday to Friday 08:00-10:00, Saturday nothing, Sunday the whole day.
  ASSERT_EQ(reader->GetMotionPara(name, ip, 0, user, pw, &got, server_.localPort()), 1);
  EXPECT_EQ(got.motionArmed, 0);
  for (int k = 0; k < 7; ++k) {
    const KV_MOTION_SCHEDULE& e = got.schedule[k];
    const int window = e.startHour * 1000000 + e.startMinute * 10000 + e.endHour * 100 + e.endMinute;
    EXPECT_EQ(window, k < 5 ? 8001000 : k == 5 ? 0 : 2400) << k;
    EXPECT_EQ(e.day, k);
  }
  delete h;
  delete reader;
}

TEST_F(QuilHandle, UnreachableCameraAndRefusedRequests) {
  const uint16_t port = item_.localport;
  server_.Stop();
  Events events;
  CQuilCameraHandle* h = CQuilCameraHandle::Create();
  EXPECT_EQ(h->Open(&item_, &OnEvent, &events), -1);
  EXPECT_EQ(h->GetRealHandle(), -1);
  EXPECT_EQ(h->PTZCtrl(0, 0, 0, nullptr, 0), 1);
  KV_CHANNMOTION record = {};
  char name[] = "cam1", ip[] = "127.0.0.1", user[] = "admin", pw[] = "pw";
  EXPECT_EQ(h->GetMotionPara(name, ip, 0, user, pw, &record, port), 0);
  EXPECT_EQ(h->SetMotionPara(name, ip, 0, user, pw, &record, port), 0);
  char badHost[] = "no-such-host.invalid";
  EXPECT_EQ(h->GetMotionPara(name, badHost, 0, user, pw, &record, port), 0);
  delete h;

  // A login holding a line break never reaches the camera; a clean one does.
  ASSERT_TRUE(server_.Start(kLoopback, 0, 0));
  h = CQuilCameraHandle::Create();
  char evil[] = "admin\r\nX-Evil: 1";
  EXPECT_EQ(h->GetMotionPara(name, ip, 0, evil, pw, &record, server_.localPort()), 0);
  EXPECT_EQ(h->SetMotionPara(name, ip, 0, user, evil, &record, server_.localPort()), 0);
  EXPECT_EQ(h->GetMotionPara(name, ip, 0, user, pw, &record, server_.localPort()), 1);
  EXPECT_EQ(camera_.record().requests.size(), 1u);
  // An answer longer than the buffer is cut: values past 4096 bytes are not seen.
  quilcam::CameraSettings s = camera_.settings();
  s.paramsPadding = 5000;
  camera_.Configure(s);
  record.motionArmed = 1;
  EXPECT_EQ(h->GetMotionPara(name, ip, 0, user, pw, &record, server_.localPort()), 1);
  EXPECT_EQ(record.motionArmed, 0);
  delete h;
}

TEST(QuilExchange, AnswersAreCutAtTheBufferAndTakeTurns) {
  // A camera that sends more than fits: the reader sees 4096 bytes and the terminator.
  quilcam::QuilCamera camera;
  quilcam::CameraServer server(&camera);
  ASSERT_TRUE(server.Start(kLoopback, 0, 0));
  quilcam::CameraSettings s = camera.settings();
  s.user = "u";
  s.password = "p";
  s.paramsPadding = 9000;
  camera.Configure(s);
  std::string request;
  quilgate::CgiTarget target = quilgate::MakeTarget("127.0.0.1", server.localPort(), "u", "p");
  ASSERT_TRUE(quilgate::ReadParamsRequest(target, &request));
  size_t seen = 0;
  bool terminated = false;
  ASSERT_TRUE(Exchange(target, request, [&](const char* answer, size_t size) {
    seen = size;
    terminated = answer[size] == '\0';
  }));
  EXPECT_EQ(seen, kAnswerCapacity);
  EXPECT_TRUE(terminated);

  // Two threads asking for different pages each read only their own answer from the one
  // buffer.
  s.paramsPadding = 2000;
  camera.Configure(s);
  std::string p2p;
  ASSERT_TRUE(quilgate::ReadParamsRequest(target, &request));
  p2p = "GET /get_p2p.cgi?&user=u&pwd=p HTTP/1.0\r\n\r\n";
  std::atomic<int> mixed{0}, answered{0};
  auto ask = [&](const std::string& text, const char* own, const char* other) {
    for (int i = 0; i < 15; ++i) {
      Exchange(target, text, [&](const char* answer, size_t size) {
        std::string a(answer, size);
        if (a.find(own) == std::string::npos || a.find(other) != std::string::npos) ++mixed;
        // Still ours after a pause that lets the other thread run.
        Sleep(1);
        if (std::string(answer, size) != a) ++mixed;
        ++answered;
      });
    }
  };
  std::thread a([&] { ask(request, "filler", "p2p_uuid"); });
  std::thread b([&] { ask(p2p, "p2p_uuid", "filler"); });
  a.join();
  b.join();
  EXPECT_EQ(answered, 30);
  EXPECT_EQ(mixed, 0);
}
