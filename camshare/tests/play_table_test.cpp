// The play table, the callback registry and the event dispatcher, with fake handle objects.
#include "play_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
  int created = 0, opened = 0, closed = 0, reopened = 0, destroyed = 0;
  long openResult = 7;
  bool factoryFails = false;
  CameraEventCallBack callback = nullptr;
  void* user = nullptr;
} g_log;

class FakeHandle : public ICameraHandle {
 public:
  ~FakeHandle() override { ++g_log.destroyed; }
  long Open(const CAMLIST_ITEM*, CameraEventCallBack callback, void* user) override {
    ++g_log.opened;
    g_log.callback = callback;
    g_log.user = user;
    return real_ = g_log.openResult;
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
  int PTZCtrl(int command, int param, int, char*, int) override { return command * 100 + param; }
  int GetMotionPara(char*, char*, char channel, char*, char*, KV_CHANNMOTION* out, uint16_t) override {
    out->schedule[0].day = static_cast<unsigned char>(channel);
    return 1;
  }
  int SetMotionPara(char*, char*, char, char*, char*, KV_CHANNMOTION* in, uint16_t) override {
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

std::string g_calls;
void CallbackA(long real, int event, int value, void* user) {
  g_calls += "A" + std::to_string(real) + "/" + std::to_string(event) + "/" + std::to_string(value) +
             *static_cast<std::string*>(user) + " ";
}
void CallbackB(long, int, int, void*) { g_calls += "B "; }

class PlayTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = PluginLog();
    g_calls.clear();
    std::strcpy(quil.cameratype, "quil");
    std::strcpy(orvel.cameratype, "orvel");
  }
  StdLock playLock, registryLock;
  CallbackRegistry registry{registryLock};
  PlayTable table{playLock, registry};
  FakePlugins plugins;
  CAMLIST_ITEM quil{}, orvel{};
};

}  // namespace

TEST_F(PlayTableTest, OneHandlePerCameraOpenedOnce) {
  long a = table.GetHandle(&quil, plugins);
  EXPECT_NE(a, kNoHandle);
  EXPECT_EQ(table.GetHandle(&quil, plugins), a);
  EXPECT_EQ(g_log.created, 1);
  EXPECT_EQ(g_log.opened, 1);
  EXPECT_EQ(table.RealHandle(a), 7);
  EXPECT_EQ(table.RealHandle(kNoHandle), kNoHandle);
  EXPECT_EQ(table.PTZCtrl(a, 3, 4, 0, nullptr, 0), 304);
  // Small ids, whatever the architecture: the exported long holds them on 64-bit Windows.
  EXPECT_GT(a, 0);
  EXPECT_EQ(table.GetHandle(&orvel, plugins), kNoHandle);
}

TEST_F(PlayTableTest, NoPluginNoObjectOrFailedOpen) {
  EXPECT_EQ(table.GetHandle(&orvel, plugins), kNoHandle);
  g_log.factoryFails = true;
  EXPECT_EQ(table.GetHandle(&quil, plugins), kNoHandle);
  EXPECT_EQ(table.Count(), 0u);
  g_log.factoryFails = false;
  g_log.openResult = -1;  // a failed Open keeps its entry
  long a = table.GetHandle(&quil, plugins);
  EXPECT_NE(a, kNoHandle);
  EXPECT_EQ(table.RealHandle(a), -1);
  EXPECT_EQ(table.GetHandle(&quil, plugins), a);
  std::memset(orvel.cameratype, 'q', sizeof orvel.cameratype);  // no terminator
  EXPECT_EQ(table.GetHandle(&orvel, plugins), kNoHandle);
  EXPECT_EQ(plugins.lastType, std::string(20, 'q'));
}

TEST_F(PlayTableTest, StopOneKeepsTheHandleStopAllMakesANewOne) {
  long a = table.GetHandle(&quil, plugins);
  table.Close(&quil);
  EXPECT_EQ(table.GetHandle(&quil, plugins), a);
  EXPECT_EQ(table.RealHandle(a), -1);
  table.ReOpen(&quil);
  EXPECT_EQ(table.RealHandle(a), 7);
  table.Close(&orvel);  // no entry: nothing
  EXPECT_EQ(g_log.closed, 1);
  EXPECT_EQ(g_log.destroyed, 0);
  table.StopAll();
  EXPECT_EQ(g_log.closed, 2);
  EXPECT_EQ(g_log.destroyed, 1);
  // The old handle is unknown now: nothing is called through it.
  EXPECT_EQ(table.RealHandle(a), kNoHandle);
  EXPECT_EQ(table.PTZCtrl(a, 3, 4, 0, nullptr, 0), -1);
  long b = table.GetHandle(&quil, plugins);
  EXPECT_EQ(g_log.created, 2);
  EXPECT_EQ(g_log.opened, 2);
  EXPECT_NE(b, a);
  EXPECT_EQ(table.RealHandle(b), 7);
  EXPECT_EQ(table.RealHandle(a), kNoHandle);
}

// A plug-in's Close joins its connection thread; that thread may be inside an event callback
// asking the table for its real handle. Neither stop may hold the table lock meanwhile (a
// stop that did would never return).
TEST_F(PlayTableTest, StopsWhileACallbackAsksForTheRealHandle) {
  struct Joining : FakeHandle {
    std::atomic<bool> closing{false};
    std::atomic<long> seen{0};
    std::thread worker;
    void Close() override {
      FakeHandle::Close();
      closing = true;
      if (worker.joinable()) worker.join();
    }
    ~Joining() override { Close(); }
  };
  static Joining* made;
  struct JoiningPlugins : PluginDirectory {
    CreateKVCameraHandleObjectProc FactoryFor(const char*) override {
      return []() -> ICameraHandle* { return made = new Joining; };
    }
  } joining;
  made = nullptr;
  const long a = table.GetHandle(&quil, joining);
  ASSERT_NE(made, nullptr);
  Joining* h = made;
  for (bool stopAll : {false, true}) {
    h->closing = false;
    std::atomic<bool> answered{false};
    h->worker = std::thread([h, a, &answered, this] {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!h->closing && std::chrono::steady_clock::now() < until) std::this_thread::yield();
      h->seen = table.RealHandle(a);
      answered = true;
    });
    if (stopAll) {
      table.StopAll();
      EXPECT_TRUE(answered);
      EXPECT_EQ(table.Count(), 0u);
      EXPECT_EQ(table.RealHandle(a), kNoHandle);
    } else {
      table.Close(&quil);
      EXPECT_TRUE(answered);
      EXPECT_EQ(h->seen.load(), -1);  // closed, but the handle is still known
      EXPECT_EQ(table.GetHandle(&quil, joining), a);  // the same (closed) object
    }
  }
}

TEST_F(PlayTableTest, CallbackPairsAndStaleRealHandles) {
  std::string u1 = "x", u2 = "y";
  registry.Add(&CallbackA, &u1);
  registry.Add(&CallbackA, &u2);
  registry.Add(&CallbackA, &u1);  // the same pair once
  registry.Add(&CallbackB, &u1);
  EXPECT_EQ(registry.Count(), 3u);
  table.GetHandle(&quil, plugins);
  g_log.callback(7, 2, 1, g_log.user);
  EXPECT_EQ(g_calls, "A7/2/1x A7/2/1y B ");
  g_calls.clear();
  g_log.callback(8, 2, 1, g_log.user);  // not the handle's real handle
  table.Close(&quil);
  g_log.callback(7, 2, 1, g_log.user);  // stale after the close
  EXPECT_EQ(g_calls, "");
  EXPECT_EQ(registry.Remove(&CallbackB, &u2), 0);
  EXPECT_EQ(registry.Remove(&CallbackA, &u2), 1);
  EXPECT_EQ(registry.Remove(&CallbackA, &u2), 0);
}

TEST_F(PlayTableTest, EntryForgetsItsHandleBeforeDeletingIt) {
  std::string u = "x";
  registry.Add(&CallbackA, &u);
  auto* entry = new CameraPlayEntry(&quil, &registry);
  struct Raising : FakeHandle {
    CameraPlayEntry* entry = nullptr;
    ~Raising() override { CameraPlayEntry::Dispatch(7, 2, 1, entry); }  // a late event
  };
  auto* h = new Raising;
  h->entry = entry;
  h->Open(&quil, &CameraPlayEntry::Dispatch, entry);
  entry->set_handle(h);
  delete entry;
  EXPECT_EQ(g_calls, "");
  EXPECT_EQ(g_log.closed, 1);
}

TEST_F(PlayTableTest, MotionParametersUseAFreshObjectDeletedAfterTheCall) {
  KV_CHANNMOTION m{};
  m.motionArmed = 1;
  char name[] = "cam1", ip[] = "10.0.0.1", user[] = "admin", pw[] = "";
  EXPECT_EQ(GetMotionParameters(plugins, "QUIL", name, ip, 3, user, pw, &m, 81), 1);
  EXPECT_EQ(m.schedule[0].day, 3);
  EXPECT_EQ(SetMotionParameters(plugins, "quil", name, ip, 3, user, pw, &m, 81), 1);
  EXPECT_EQ(g_log.created, 2);
  EXPECT_EQ(g_log.destroyed, 2);
  EXPECT_EQ(GetMotionParameters(plugins, "orvel", name, ip, 3, user, pw, &m, 81), 0);
}

TEST_F(PlayTableTest, DispatchFromManyThreadsWhileRegistering) {
  static std::atomic<int> calls{0};
  auto count = [](long, int, int, void*) { calls.fetch_add(1); };
  table.GetHandle(&quil, plugins);
  registry.Add(count, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 500; ++i) g_log.callback(7, 2, 1, g_log.user);
    });
  }
  int users[50];
  for (int& u : users) registry.Add(count, &u);
  for (int& u : users) registry.Remove(count, &u);
  for (auto& t : threads) t.join();
  EXPECT_GE(calls.load(), 2000);
  EXPECT_EQ(registry.Count(), 1u);
}
