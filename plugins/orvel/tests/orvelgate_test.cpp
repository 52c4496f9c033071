// Orvelgate.dll over the NetClient.dll stand-in, both loaded from beside the test: loading,
// the connection record as the library saw it, lazy connects, the close order, PTZ, motion
// parameters and events; the stand-in's own frames, information record and export table.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <string>

#include "NetClient.h"
#include "netclient_standin.h"
#include "pe_tables.h"

namespace {

HMODULE g_netclient = nullptr;

template <typename Fn>
Fn Ordinal(HMODULE module, int ordinal) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

std::string Log() {
  char text[16384];
  Ordinal<NCS_GetLogProc>(g_netclient, 1001)(text, sizeof text);
  return text;
}
void ClearLog() { Ordinal<NCS_ClearLogProc>(g_netclient, 1002)(); }
void Switch(const char* name, int value) { ASSERT_EQ(Ordinal<NCS_SetSwitchProc>(g_netclient, 1003)(name, value), 1); }

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

struct Seen {
  std::atomic<int> calls{0};
  std::atomic<long> handle{0};
  std::atomic<int> event{0};
  std::atomic<int> value{0};
  std::atomic<DWORD> thread{0};
};
void OnEvent(long handle, int event, int value, void* user) {
  auto* s = static_cast<Seen*>(user);
  s->handle = handle;
  s->event = event;
  s->value = value;
  s->thread = GetCurrentThreadId();
  ++s->calls;
}

CAMLIST_ITEM Camera(const char* name, const char* ip, uint16_t port) {
  CAMLIST_ITEM c;
  std::memset(&c, 0x5A, sizeof c);  // fields the handle does not take must not matter
  std::memset(c.name, 0, sizeof c.name);
  std::strncpy(c.name, name, sizeof c.name - 1);
  std::memset(c.ip, 0, sizeof c.ip);
  std::strncpy(c.ip, ip, sizeof c.ip - 1);
  c.localport = port;
  std::strcpy(c.cameratype, "orvel");
  std::strcpy(c.username, "root");
  std::strcpy(c.userpassword, "secret");
  return c;
}

class Orvel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_netclient = LoadLibraryW(L"NetClient.dll");
    ASSERT_NE(g_netclient, nullptr);
  }
  void SetUp() override {
    Switch("configure", 1);
    Switch("unreachable", 0);
    Switch("size_code", 1);
    ClearLog();
    module_ = LoadLibraryW(L"Orvelgate.dll");
    ASSERT_NE(module_, nullptr);
    auto factory = reinterpret_cast<CreateKVCameraHandleObjectProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, KV_CAMERA_FACTORY_NAME)));
    ASSERT_NE(factory, nullptr);
    handle_ = factory();
    ASSERT_NE(handle_, nullptr);
    ClearLog();
  }
  void TearDown() override {
    if (handle_ != nullptr) {
      handle_->Close();
      delete handle_;
    }
    if (module_ != nullptr) FreeLibrary(module_);
  }
  long OpenCamera(uint16_t port = 3000) {
    CAMLIST_ITEM c = Camera("cam3", "127.0.0.1", port);
    return handle_->Open(&c, &OnEvent, &seen_);
  }

  HMODULE module_ = nullptr;
  ICameraHandle* handle_ = nullptr;
  Seen seen_;
};

}  // namespace

TEST(NetClientLoad, StartUpShutDownAndARefusedConfiguration) {
  HMODULE netclient = LoadLibraryW(L"NetClient.dll");
  g_netclient = netclient;
  ASSERT_NE(netclient, nullptr);
  Switch("configure", 1);
  ClearLog();
  HMODULE orvel = LoadLibraryW(L"Orvelgate.dll");
  ASSERT_NE(orvel, nullptr);
  EXPECT_EQ(Log(), "1(0,0,0,0,0)=1\n3(2,1)=1\n");
  FreeLibrary(orvel);
  EXPECT_EQ(Log(), "1(0,0,0,0,0)=1\n3(2,1)=1\n4()=1\n");
  Switch("configure", 0);
  ClearLog();
  EXPECT_EQ(LoadLibraryW(L"Orvelgate.dll"), nullptr);
  EXPECT_EQ(Log().substr(0, 24), "1(0,0,0,0,0)=1\n3(2,1)=0\n");
  Switch("configure", 1);
  FreeLibrary(netclient);
}

TEST(NetClientLoad, OrdinalsOnlyAndOneFactoryExport) {
  HMODULE netclient = LoadLibraryW(L"NetClient.dll");
  HMODULE orvel = LoadLibraryW(L"Orvelgate.dll");
  ASSERT_NE(orvel, nullptr);
  plugin_test::Exports e = plugin_test::ExportsOf(netclient);
  EXPECT_TRUE(e.names.empty());
  const std::vector<uint32_t> vendor = {1, 3, 4, 5, 6, 8, 9, 11, 20, 41, 45, 46, 71, 112, 141};
  for (uint32_t o : vendor) {
    EXPECT_NE(std::find(e.ordinals.begin(), e.ordinals.end(), o), e.ordinals.end()) << o;
  }
  EXPECT_EQ(GetProcAddress(netclient, "NC_Connect"), nullptr);
  EXPECT_EQ(GetProcAddress(netclient, "NC_Connect@16"), nullptr);
  plugin_test::Imports i = plugin_test::ImportsFrom(orvel, "NetClient.dll");
  EXPECT_TRUE(i.found);
  EXPECT_TRUE(i.names.empty());
  std::sort(i.ordinals.begin(), i.ordinals.end());
  EXPECT_EQ(i.ordinals, std::vector<uint32_t>({1, 3, 4, 5, 6, 8, 9, 20, 45, 46, 71, 112, 141}));
  EXPECT_EQ(plugin_test::ExportsOf(orvel).names, std::vector<std::string>({"CreateKVCameraHandleObject"}));
  FreeLibrary(orvel);
  FreeLibrary(netclient);
}

TEST_F(Orvel, ConnectionRecordAsTheLibrarySawIt) {
  CAMLIST_ITEM c = Camera("a-camera-name-of-31-characters!", "127.0.0.1", 3456);
  const long h = handle_->Open(&c, &OnEvent, &seen_);
  ASSERT_GE(h, 3001);
  EXPECT_EQ(Log(), "5(127.0.0.1,ptr,3456,0)=" + std::to_string(h) + "\n141(" + std::to_string(h) + ",0)=1\n");
  unsigned char record[sizeof(NETCLIENT_CONNECT_INFO)];
  char texts[3 * kNetClientTextBlock];
  ASSERT_EQ(Ordinal<NCS_LastConnectInfoProc>(g_netclient, 1005)(record, sizeof record, texts, sizeof texts),
            static_cast<int>(sizeof record));
  // Every byte but the five pointers, written out; the pointers read back as themselves.
#if UINTPTR_MAX == 0xFFFFFFFFu
  ASSERT_EQ(sizeof record, 92u);
  const size_t kIp = 44, kCallback = 84, kUser = 88, kPointer = 4;
  unsigned char expected[92] = {0};
  expected[12] = 3;
  expected[14] = 1;
  expected[32] = 20;
#else
  ASSERT_EQ(sizeof record, 112u);
  const size_t kIp = 56, kCallback = 96, kUser = 104, kPointer = 8;
  unsigned char expected[112] = {0};
  expected[24] = 3;
  expected[26] = 1;
  expected[44] = 20;
#endif
  std::memcpy(expected + kIp, "127.0.0.1", 9);
  for (size_t at : {size_t(0), kPointer, 2 * kPointer, kCallback, kUser}) {
    std::memcpy(expected + at, record + at, kPointer);
  }
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record), sizeof record),
            std::string(reinterpret_cast<char*>(expected), sizeof expected));
  CameraEventCallBack callback;
  void* user;
  std::memcpy(&callback, record + kCallback, sizeof callback);
  std::memcpy(&user, record + kUser, sizeof user);
  EXPECT_EQ(callback, &OnEvent);
  EXPECT_EQ(user, &seen_);
  // The name cut to 23 characters; both credential blocks carry the fixed value.
  EXPECT_EQ(std::string(texts, 40), std::string("a-camera-name-of-31-cha") + std::string(17, '\0'));
  EXPECT_EQ(std::string(texts + 40, 40), std::string("470259") + std::string(34, '\0'));
  EXPECT_EQ(std::string(texts + 80, 40), std::string("470259") + std::string(34, '\0'));
  EXPECT_EQ(handle_->GetRealHandle(), h);
}

TEST_F(Orvel, CloseOrderReOpenAndCloseWhenDisconnected) {
  handle_->Close();  // never connected: nothing
  EXPECT_EQ(Log(), "");
  const long h = OpenCamera();
  ASSERT_NE(h, -1);
  ClearLog();
  handle_->ReOpen();
  const std::string H = std::to_string(h), N = std::to_string(h + 1);
  EXPECT_EQ(Log(), "112(" + H + ")=1\n20(" + H + ",13,20,0,0,0)=1\n71()=1\n9(" + H + ",0)=1\n8(" + H + ")=1\n6(" + H +
                       ")=1\n5(127.0.0.1,ptr,3000,0)=" + N + "\n141(" + N + ",0)=1\n");
  EXPECT_EQ(handle_->GetRealHandle(), h + 1);
  ClearLog();
  handle_->Close();
  EXPECT_EQ(Log().substr(0, 6 + N.size()), "112(" + N + ")=");
  ClearLog();
  handle_->Close();  // disconnected now: nothing
  EXPECT_EQ(Log(), "");
}

TEST_F(Orvel, UnreachableCameraIsConnectedAgainBeforeEachUse) {
  Switch("unreachable", 1);
  EXPECT_EQ(OpenCamera(), -1);
  EXPECT_EQ(Log(), "5(127.0.0.1,ptr,3000,0)=-1\n");
  ClearLog();
  EXPECT_EQ(handle_->PTZCtrl(1, 5, 7, nullptr, 0), -1);
  EXPECT_EQ(Log(), "5(127.0.0.1,ptr,3000,0)=-1\n20(-1,1,5,0,0,0)=-1\n");
  ClearLog();
  EXPECT_EQ(handle_->GetRealHandle(), -1);
  EXPECT_EQ(Log(), "5(127.0.0.1,ptr,3000,0)=-1\n");
  handle_->Close();
  Switch("unreachable", 0);
  ClearLog();
  EXPECT_EQ(handle_->PTZCtrl(0, 3, 0, nullptr, 0), 1);
  const std::string log = Log();
  const size_t eq = log.find('=');
  const std::string h = log.substr(eq + 1, log.find('\n') - eq - 1);
  EXPECT_EQ(log, "5(127.0.0.1,ptr,3000,0)=" + h + "\n141(" + h + ",0)=1\n20(" + h + ",0,3,0,0,0)=1\n");
  ClearLog();
  EXPECT_EQ(handle_->GetRealHandle(), std::stol(h));  // connected: no call
  EXPECT_EQ(Log(), "");
}

TEST_F(Orvel, MotionParametersAndEvents) {
  char name[] = "other", ip[] = "10.9.9.9", user[] = "admin", pw[] = "pw";
  KV_CHANNMOTION put;
  std::memset(&put, 0, sizeof put);
  put.motionArmed = 1;
  put.sdkData[100] = 0x42;  // the SDK's own bytes go through unchanged
  put.schedule[3] = {1, 15, 2, 30, 9, {7, 7, 7}};
  // Never opened: the arguments name the camera.
  EXPECT_EQ(handle_->SetMotionPara(name, ip, 4, user, pw, &put, 81), 1);
  EXPECT_EQ(Log(), "46(other,10.9.9.9,0,admin,pw,ptr,81)=1\n");
  ClearLog();
  ASSERT_NE(OpenCamera(3100), -1);
  ClearLog();
  EXPECT_EQ(handle_->SetMotionPara(name, ip, 4, user, pw, &put, 81), 1);
  EXPECT_EQ(Log(), "46(cam3,127.0.0.1,0,admin,pw,ptr,3100)=1\n");
  ClearLog();
  KV_CHANNMOTION got;
  std::memset(&got, 0, sizeof got);
  EXPECT_EQ(handle_->GetMotionPara(name, ip, 4, user, pw, &got, 82), 1);
  EXPECT_EQ(Log(), "45(other,10.9.9.9,0,admin,pw,ptr,82)=1\n");
  EXPECT_EQ(std::memcmp(&got, &put, sizeof got), 0);

  // Events come on the library's thread with the connection handle first and the user last.
  const long h = handle_->GetRealHandle();
  ASSERT_EQ(Ordinal<NCS_RaiseEventProc>(g_netclient, 1004)(h, 2, 1), 1);
  ASSERT_TRUE(WaitUntil([&] { return seen_.calls == 1; }));
  EXPECT_EQ(seen_.handle, h);
  EXPECT_EQ(seen_.event * 10 + seen_.value, 21);
  EXPECT_NE(seen_.thread, GetCurrentThreadId());
  handle_->Close();
  EXPECT_EQ(Ordinal<NCS_RaiseEventProc>(g_netclient, 1004)(h, 2, 1), 0);  // gone with the connection
  EXPECT_EQ(seen_.calls, 1);
}

namespace {
struct Frames {
  std::atomic<int> count{0};
  std::atomic<int> width{0};
  std::atomic<int> height{0};
  std::atomic<int> topLuma{0};
  std::atomic<int> topV{0};
  std::atomic<uint32_t> lastCounter{0};
  std::atomic<int> counterSteps{0};
};
void NETCLIENT_CALL OnFrame(unsigned char* y, unsigned char*, unsigned char* v, int, int, int width, int height,
                            void* context) {
  auto* f = static_cast<Frames*>(context);
  f->width = width;
  f->height = height;
  f->topLuma = y[2 * width + width / 2];
  f->topV = v[width / 2 + width / 4];
  uint32_t counter = 0;
  for (int bit = 0; bit < 16; ++bit) {
    if (y[(height / 8 + 4) * width + 8 * bit + 4] > 128) counter |= 1u << bit;
  }
  if (f->count > 0 && counter == f->lastCounter + 1) ++f->counterSteps;
  f->lastCounter = counter;
  ++f->count;
}
}  // namespace

TEST_F(Orvel, StreamInformationAndFramesOnTheLibrarysThread) {
  auto info41 = Ordinal<decltype(&NC_GetStreamInfo)>(g_netclient, 41);
  auto frames11 = Ordinal<decltype(&NC_SetFrameCallBack)>(g_netclient, 11);
  const int codes[] = {0, 3};
  const int widths[] = {176, 704};
  for (int i = 0; i < 2; ++i) {
    Switch("size_code", codes[i]);
    int32_t info[30];
    std::memset(info, 0, sizeof info);
    ASSERT_EQ(info41("cam3", "127.0.0.1", 0, "admin", "pw", info, 3000), 1);
    EXPECT_EQ(info[kNetClientStreamSizeWord], codes[i]);
    const long h = OpenCamera();
    ASSERT_NE(h, -1);
    Frames f;
    ASSERT_EQ(frames11(h, &OnFrame, &f), 1);
    ASSERT_TRUE(WaitUntil([&] { return f.count >= 5; }));
    EXPECT_EQ(f.width, widths[i]);
    EXPECT_EQ(f.height, widths[i] * 9 / 11);
    EXPECT_EQ(f.topLuma, 82);  // red band
    EXPECT_EQ(f.topV, 240);
    EXPECT_GE(f.counterSteps, 3);
    EXPECT_EQ(frames11(h, nullptr, &f), 0);  // cleared: no frame after the call returns
    const int after = f.count;
    EXPECT_EQ(Ordinal<NCS_FrameCountProc>(g_netclient, 1006)(h), after);
    ASSERT_EQ(Ordinal<NCS_RaiseEventProc>(g_netclient, 1004)(h, 1, 0), 1);
    ASSERT_TRUE(WaitUntil([&] { return seen_.calls == i + 1; }));
    EXPECT_EQ(f.count, after);
    handle_->Close();
  }
  Switch("unreachable", 1);
  int32_t info[30] = {};
  EXPECT_EQ(info41("cam3", "127.0.0.1", 0, "admin", "pw", info, 3000), 0);
}
