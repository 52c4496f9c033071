// The play table, the callback registry and the event dispatcher with fake handle objects.
#include "play_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "std_lock.h"
#include "text_codec.h"

using namespace camshare;
using camshare::test::StdLock;

namespace {

struct PluginLog {
  int created = 0, opened = 0, closed = 0, reopened = 0, destroyed = 0, ptz = 0, getMotion = 0,
      setMotion = 0;
  long openResult = 7;
  bool factoryFails = false;
  CameraEventCallBack callback = nullptr;
  void* user = nullptr;
  const CAMLIST_ITEM* camera = nullptr;
};
PluginLog g_log;

class FakeHandle : public ICameraHandle {
 public:
  ~FakeHandle() override { ++g_log.destroyed; }
  long Open(const CAMLIST_ITEM* camera, CameraEventCallBack callback, void* user) override {
    ++g_log.opened;
    g_log.callback = callback;
    g_log.user = user;
    g_log.camera = camera;
    real_ = g_log.openResult;
    return real_;
  }
  void Close() override {
    ++g_log.closed;
    real_ = -1;
  }
  long GetRealHandle() override { return real_; }
  void ReOpen() override {
    ++g_log.reopened;
    real_ = g_log.openResult;
  }
  int PTZCtrl(int command, int param, int, char*, int) override {
    ++g_log.ptz;
    return command * 100 + param;
  }
  int GetMotionPara(char* name, char*, char channel, char*, char*, KV_CHANNMOTION* out,
                    uint16_t port) override {
    ++g_log.getMotion;
    out->motionArmed = 1;
    out->schedule[0].day = static_cast<unsigned char>(channel);
    return std::strcmp(name, "cam1") == 0 && port == 81 ? 1 : 0;
  }
  int SetMotionPara(char*, char*, char, char*, char*, KV_CHANNMOTION* in, uint16_t) override {
    ++g_log.setMotion;
    return in->motionArmed;
  }

 private:
  long real_ = -1;
};

ICameraHandle* FakeFactory() {
  ++g_log.created;
  return g_log.factoryFails ? nullptr : new FakeHandle;
}

class FakePlugins : public PluginDirectory {
 public:
  CreateKVCameraHandleObjectProc FactoryFor(const char* type) override {
    lastType = type;
    return EqualsNoCase(type, "quil") ? &FakeFactory : nullptr;
  }
  std::string lastType;
};

struct Event {
  long real;
  int event, value;
  void* user;
};
std::vector<Event> g_events;
void RecordA(long real, int event, int value, void* user) { g_events.push_back({real, event, value, user}); }
void RecordB(long real, int event, int value, void* user) { g_events.push_back({real, -event, value, user}); }

class PlayTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = PluginLog();
    g_events.clear();
    std::strcpy(quil.cameratype, "quil");
    std::strcpy(quil.name, "cam1");
    std::strcpy(orvel.cameratype, "orvel");
  }
  StdLock playLock, registryLock;
  CallbackRegistry registry{registryLock};
  PlayTable table{playLock, registry};
  FakePlugins plugins;
  CAMLIST_ITEM quil{}, orvel{};
};

}  // namespace

TEST_F(PlayTableTest, TwoCallsReturnOneHandleOpenedOnce) {
  long a = table.GetHandle(&quil, plugins);
  long b = table.GetHandle(&quil, plugins);
  EXPECT_NE(a, kNoHandle);
  EXPECT_EQ(a, b);
  EXPECT_EQ(g_log.created, 1);
  EXPECT_EQ(g_log.opened, 1);
  EXPECT_EQ(g_log.camera, &quil);
  EXPECT_EQ(RealHandleOf(a), 7);
  EXPECT_EQ(table.Count(), 1u);
}

TEST_F(PlayTableTest, FamilyWithoutPluginOrObjectGivesNoHandle) {
  EXPECT_EQ(table.GetHandle(&orvel, plugins), kNoHandle);
  EXPECT_EQ(plugins.lastType, "orvel");
  g_log.factoryFails = true;
  EXPECT_EQ(table.GetHandle(&quil, plugins), kNoHandle);
  EXPECT_EQ(table.GetHandle(&quil, plugins), kNoHandle);
  EXPECT_EQ(g_log.created, 2);
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_EQ(table.GetHandle(nullptr, plugins), kNoHandle);
}

TEST_F(PlayTableTest, FailedOpenKeepsItsEntry) {
  g_log.openResult = -1;
  long a = table.GetHandle(&quil, plugins);
  EXPECT_NE(a, kNoHandle);
  EXPECT_EQ(RealHandleOf(a), -1);
  EXPECT_EQ(table.GetHandle(&quil, plugins), a);
  EXPECT_EQ(g_log.opened, 1);
}

TEST_F(PlayTableTest, StopOneKeepsTheHandleStopAllMakesANewOne) {
  long a = table.GetHandle(&quil, plugins);
  table.Close(&quil);
  EXPECT_EQ(g_log.closed, 1);
  EXPECT_EQ(g_log.destroyed, 0);
  EXPECT_EQ(table.GetHandle(&quil, plugins), a);  // same, closed handle
  EXPECT_EQ(RealHandleOf(a), -1);
  EXPECT_EQ(g_log.opened, 1);
  table.ReOpen(&quil);
  EXPECT_EQ(g_log.reopened, 1);
  EXPECT_EQ(RealHandleOf(a), 7);

  table.StopAll();
  EXPECT_EQ(g_log.closed, 2);
  EXPECT_EQ(g_log.destroyed, 1);
  EXPECT_EQ(table.Count(), 0u);
  table.GetHandle(&quil, plugins);
  EXPECT_EQ(g_log.created, 2);
  EXPECT_EQ(g_log.opened, 2);
}

TEST_F(PlayTableTest, CloseAndReOpenOfUnknownCameraDoNothing) {
  table.Close(&orvel);
  table.ReOpen(&orvel);
  EXPECT_EQ(g_log.closed + g_log.reopened, 0);
}

TEST_F(PlayTableTest, CallbackPairsAreUniqueAndCalledInOrder) {
  int u1 = 0, u2 = 0;
  EXPECT_EQ(registry.Add(&RecordA, &u1), 1);
  EXPECT_EQ(registry.Add(&RecordA, &u2), 1);
  EXPECT_EQ(registry.Add(&RecordA, &u1), 1);  // same pair: kept once
  EXPECT_EQ(registry.Add(&RecordB, &u1), 1);
  EXPECT_EQ(registry.Count(), 3u);
  table.GetHandle(&quil, plugins);
  g_log.callback(7, 2, 1, g_log.user);
  ASSERT_EQ(g_events.size(), 3u);
  EXPECT_EQ(g_events[0].user, &u1);
  EXPECT_EQ(g_events[1].user, &u2);
  EXPECT_EQ(g_events[2].event, -2);
  EXPECT_EQ(g_events[0].real, 7);
  EXPECT_EQ(g_events[0].value, 1);

  EXPECT_EQ(registry.Remove(&RecordA, &u2), 1);
  EXPECT_EQ(registry.Remove(&RecordA, &u2), 0);
  EXPECT_EQ(registry.Remove(&RecordB, &u2), 0);  // never registered
  g_events.clear();
  g_log.callback(7, 2, 1, g_log.user);
  EXPECT_EQ(g_events.size(), 2u);
}

TEST_F(PlayTableTest, EventsWithAStaleRealHandleReachNoCallback) {
  int u = 0;
  registry.Add(&RecordA, &u);
  table.GetHandle(&quil, plugins);
  CameraEventCallBack dispatch = g_log.callback;
  void* entry = g_log.user;
  dispatch(8, 2, 1, entry);  // not the handle's real handle
  EXPECT_TRUE(g_events.empty());
  table.Close(&quil);  // real handle now -1
  dispatch(7, 2, 1, entry);
  EXPECT_TRUE(g_events.empty());
  table.ReOpen(&quil);
  dispatch(7, 2, 1, entry);
  EXPECT_EQ(g_events.size(), 1u);
  dispatch(7, 2, 1, nullptr);
  EXPECT_EQ(g_events.size(), 1u);
}

TEST_F(PlayTableTest, EntryForgetsItsHandleBeforeDeletingIt) {
  // An event raised while the handle is being destroyed finds no handle.
  int u = 0;
  registry.Add(&RecordA, &u);
  CAMLIST_ITEM cam{};
  std::strcpy(cam.cameratype, "quil");
  auto* entry = new CameraPlayEntry(&cam, &registry);
  struct Raising : FakeHandle {
    CameraPlayEntry* entry = nullptr;
    ~Raising() override { CameraPlayEntry::Dispatch(7, 2, 1, entry); }
  };
  auto* h = new Raising;
  h->entry = entry;
  h->Open(&cam, &CameraPlayEntry::Dispatch, entry);
  entry->set_handle(h);
  delete entry;
  EXPECT_TRUE(g_events.empty());
  EXPECT_EQ(g_log.closed, 1);
}

TEST_F(PlayTableTest, PtzAndRealHandleThroughThePlayHandle) {
  long a = table.GetHandle(&quil, plugins);
  EXPECT_EQ(HandleFromPlayHandle(a)->PTZCtrl(3, 4, 0, nullptr, 0), 304);
  EXPECT_EQ(RealHandleOf(kNoHandle), kNoHandle);
  EXPECT_EQ(HandleFromPlayHandle(kNoHandle), nullptr);
}

TEST_F(PlayTableTest, MotionParametersUseAFreshObjectPerCall) {
  KV_CHANNMOTION m{};
  char name[] = "cam1", ip[] = "10.0.0.1", user[] = "admin", pw[] = "";
  EXPECT_EQ(GetMotionParameters(plugins, "QUIL", name, ip, 3, user, pw, &m, 81), 1);
  EXPECT_EQ(m.motionArmed, 1);
  EXPECT_EQ(m.schedule[0].day, 3);
  EXPECT_EQ(SetMotionParameters(plugins, "quil", name, ip, 3, user, pw, &m, 81), 1);
  EXPECT_EQ(g_log.created, 2);
  EXPECT_EQ(g_log.destroyed, 2);  // each one-call object is deleted
  EXPECT_EQ(g_log.opened, 0);
  EXPECT_EQ(GetMotionParameters(plugins, "orvel", name, ip, 3, user, pw, &m, 81), 0);
  g_log.factoryFails = true;
  EXPECT_EQ(SetMotionParameters(plugins, "quil", name, ip, 3, user, pw, &m, 81), 0);
}

TEST_F(PlayTableTest, UnterminatedFamilyFieldIsReadWithinItsField) {
  std::memset(quil.cameratype, 'q', sizeof quil.cameratype);  // no terminator
  EXPECT_EQ(table.GetHandle(&quil, plugins), kNoHandle);
  EXPECT_EQ(plugins.lastType, std::string(20, 'q'));
}

TEST_F(PlayTableTest, DispatchFromManyThreadsWhileRegistering) {
  std::atomic<int> calls{0};
  static std::atomic<int>* counter;
  counter = &calls;
  auto count = [](long, int, int, void*) { counter->fetch_add(1); };
  table.GetHandle(&quil, plugins);
  CameraEventCallBack dispatch = g_log.callback;
  void* entry = g_log.user;
  registry.Add(count, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) dispatch(7, 2, 1, entry);
    });
  }
  int users[50];
  for (int i = 0; i < 50; ++i) registry.Add(count, &users[i]);
  for (int i = 0; i < 50; ++i) registry.Remove(count, &users[i]);
  for (auto& t : threads) t.join();
  EXPECT_GE(calls.load(), 2000);
  EXPECT_EQ(registry.Count(), 1u);
}
