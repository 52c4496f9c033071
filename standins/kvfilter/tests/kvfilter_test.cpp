// The stand-in filter driver loaded by Wine's device host: every control code with good and
// bad buffers, the caller's event, and the host surviving the bad inputs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KvUsbCameraFilterIoctl.h"
#include "kvfilter_testing.h"

namespace {

using kvtest::Device;

const wchar_t kService[] = L"KvUsbCameraFilter";

class KvFilter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kvtest::StopAndDeleteService(kService);
    DWORD error = 0;
    ASSERT_TRUE(kvtest::CreateDriverService(kService, kvtest::StandInDriverPath(), SERVICE_DEMAND_START, &error))
        << error;
    ASSERT_TRUE(kvtest::StartDriverService(kService, &error)) << error;
  }
  static void TearDownTestSuite() {
    EXPECT_TRUE(kvtest::StopAndDeleteService(kService));
    EXPECT_FALSE(kvtest::DeviceOpens()) << "the device goes with the driver";
  }
  void SetUp() override {
    ASSERT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
    ASSERT_TRUE(dev_.Open()) << GetLastError();
    ASSERT_EQ(dev_.Closed(), 0u);
  }
  KV_TEST_STATE State() {
    KV_TEST_STATE st = {};
    EXPECT_TRUE(dev_.State(&st));
    return st;
  }
  static DWORD SetEvent(Device& d, HANDLE ev) {
    KV_EVENT_HANDLE_RECORD rec = {ev};
    return d.Control(IOCTL_SET_EVENT_USBOPEN, &rec, sizeof rec, nullptr, 0);
  }
  Device dev_;
};

TEST_F(KvFilter, NameQueriesFollowTheCamera) {
  DWORD n = 99;
  char out[KV_FILTER_NAME_MAX];
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, out, sizeof out, &n), 0u);
  EXPECT_EQ(n, 0u) << "no program uses the camera";
  EXPECT_EQ(dev_.Control(IOCTL_GET_OPENING_APPNAME, nullptr, 0, out, sizeof out, &n), 0u);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, nullptr, 0, &n), 0u) << "no buffer needed for 0 bytes";

  ASSERT_EQ(dev_.Opened("Sorrel2.exe"), 0u);
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, out, sizeof out, &n), 0u);
  ASSERT_EQ(n, 12u);
  EXPECT_EQ(std::memcmp(out, "Sorrel2.exe\0", 12), 0);
  EXPECT_EQ(out[12], 'x');
  EXPECT_EQ(dev_.Query(IOCTL_GET_OPENING_APPNAME), "Sorrel2.exe");

  // Exactly large enough, one byte short, none.
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, out, 12, &n), 0u);
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, out, 11, &n),
            static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(dev_.Control(IOCTL_GET_OPENING_APPNAME, nullptr, 0, nullptr, 0, &n),
            static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  // Another handle sees the same camera.
  Device other;
  ASSERT_TRUE(other.Open());
  EXPECT_EQ(other.Query(IOCTL_GET_USING_APPNAME), "Sorrel2.exe");

  ASSERT_EQ(dev_.Closed(), 0u);
  EXPECT_EQ(dev_.Control(IOCTL_GET_USING_APPNAME, nullptr, 0, out, sizeof out, &n), 0u);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(dev_.Control(IOCTL_GET_OPENING_APPNAME, nullptr, 0, out, sizeof out, &n), 0u);
  EXPECT_EQ(n, 0u);
}

TEST_F(KvFilter, OpeningIsAnsweredByTheOpenerQueryOnly) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_EQ(SetEvent(dev_, ev), 0u);
  ASSERT_EQ(dev_.Opening("Starting.exe"), 0u);
  EXPECT_EQ(WaitForSingleObject(ev, 5000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the event is set";
  EXPECT_EQ(State().EventSignals, 1u);
  EXPECT_EQ(dev_.Query(IOCTL_GET_OPENING_APPNAME), "Starting.exe");
  EXPECT_EQ(dev_.Query(IOCTL_GET_USING_APPNAME), "") << "not using the camera yet";
  ASSERT_EQ(dev_.Opened("Starting.exe"), 0u);
  EXPECT_EQ(dev_.Query(IOCTL_GET_USING_APPNAME), "Starting.exe");
  EXPECT_EQ(State().EventSignals, 2u);
  ASSERT_EQ(dev_.Closed(), 0u);
  EXPECT_EQ(dev_.Query(IOCTL_GET_OPENING_APPNAME), "");
  EXPECT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u);
  CloseHandle(ev);
}

TEST_F(KvFilter, ProgramNameIsKeptPerHandle) {
  const char name[] = "Lookout";
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, name, sizeof name, nullptr, 0), 0u);
  EXPECT_STREQ(State().AppName, "Lookout");
  EXPECT_STREQ(State().LastAppName, "Lookout");
  Device other;
  ASSERT_TRUE(other.Open());
  KV_TEST_STATE st = {};
  ASSERT_TRUE(other.State(&st));
  EXPECT_STREQ(st.AppName, "");
  EXPECT_STREQ(st.LastAppName, "Lookout");

  // Without its terminator the name is taken as far as the buffer goes.
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, "Tinker.exe", 6, nullptr, 0), 0u);
  EXPECT_STREQ(State().AppName, "Tinker");

  std::string longest(KV_FILTER_NAME_MAX - 1, 'n');
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, longest.c_str(), KV_FILTER_NAME_MAX, nullptr, 0), 0u);
  EXPECT_EQ(std::string(State().AppName), longest);

  // Bad names leave the kept one alone.
  std::string tooLong(KV_FILTER_NAME_MAX, 'n');
  const DWORD invalid = ERROR_INVALID_PARAMETER;
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, tooLong.c_str(), KV_FILTER_NAME_MAX + 1, nullptr, 0), invalid);
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, "", 1, nullptr, 0), invalid);
  EXPECT_EQ(dev_.Control(IOCTL_SET_MY_APPNAME, nullptr, 0, nullptr, 0), invalid);
  EXPECT_EQ(std::string(State().AppName), longest);
}

TEST_F(KvFilter, EventIsSetOncePerOpenedUntilFreed) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(ev);
  unsigned freesBefore = State().FreeRequests;
  ASSERT_EQ(SetEvent(dev_, ev), 0u);
  EXPECT_EQ(State().EventHeld, 1u);
  EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "not set on registration";

  for (unsigned i = 1; i <= 3; ++i) {
    ASSERT_EQ(dev_.Opened(("Program" + std::to_string(i) + ".exe").c_str()), 0u);
    EXPECT_EQ(WaitForSingleObject(ev, 5000), WAIT_OBJECT_0) << i;
    EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "set once, " << i;
    EXPECT_EQ(State().EventSignals, i);
  }
  ASSERT_EQ(dev_.Closed(), 0u);
  EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "closing does not set it";

  ASSERT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u);
  KV_TEST_STATE st = State();
  EXPECT_EQ(st.EventHeld, 0u);
  EXPECT_EQ(st.EventsHeld, 0u);
  EXPECT_EQ(st.FreeRequests, freesBefore + 1);
  ASSERT_EQ(dev_.Opened("After.exe"), 0u);
  EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "forgotten";
  EXPECT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u) << "freeing twice is harmless";
  CloseHandle(ev);
}

TEST_F(KvFilter, EventsOfSeveralCallersAndOfClosedHandles) {
  HANDLE a = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE b = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  Device other;
  ASSERT_TRUE(other.Open());
  ASSERT_EQ(SetEvent(dev_, a), 0u);
  ASSERT_EQ(SetEvent(other, b), 0u);
  EXPECT_EQ(State().EventsHeld, 2u);
  ASSERT_EQ(dev_.Opened("Both.exe"), 0u);
  EXPECT_EQ(WaitForSingleObject(a, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(b, 5000), WAIT_OBJECT_0);

  // The caller's own event handle may go: the driver keeps what it referenced.
  CloseHandle(b);
  ASSERT_EQ(dev_.Opened("Again.exe"), 0u);
  EXPECT_EQ(WaitForSingleObject(a, 5000), WAIT_OBJECT_0);

  // Closing the device handle drops its event.
  other.Close();
  EXPECT_EQ(State().EventsHeld, 1u);
  ASSERT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u);
  EXPECT_EQ(State().EventsHeld, 0u);

  // A second registration replaces the first.
  HANDLE c = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_EQ(SetEvent(dev_, a), 0u);
  ASSERT_EQ(SetEvent(dev_, c), 0u);
  EXPECT_EQ(State().EventsHeld, 1u);
  ASSERT_EQ(dev_.Opened("Third.exe"), 0u);
  EXPECT_EQ(WaitForSingleObject(c, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(a, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u);
  CloseHandle(a);
  CloseHandle(c);
}

TEST_F(KvFilter, BothRecordLayouts) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  KV_EVENT_HANDLE_RECORD32 r32 = {static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(ev))};
  KV_EVENT_HANDLE_RECORD64 r64 = {static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(ev))};
  for (int layout = 0; layout < 2; ++layout) {
    DWORD r = layout == 0 ? dev_.Control(IOCTL_SET_EVENT_USBOPEN, &r32, sizeof r32, nullptr, 0)
                          : dev_.Control(IOCTL_SET_EVENT_USBOPEN, &r64, sizeof r64, nullptr, 0);
    ASSERT_EQ(r, 0u) << layout;
    ASSERT_EQ(dev_.Opened("Layout.exe"), 0u);
    EXPECT_EQ(WaitForSingleObject(ev, 5000), WAIT_OBJECT_0) << layout;
  }
  // A 64-bit value that no handle can have.
  r64.hEvent |= 0x100000000ull;
  EXPECT_EQ(dev_.Control(IOCTL_SET_EVENT_USBOPEN, &r64, sizeof r64, nullptr, 0),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(State().EventHeld, 1u) << "a failed registration keeps the one before";
  ASSERT_EQ(dev_.Control(IOCTL_FREE_EVENT, nullptr, 0, nullptr, 0), 0u);
  CloseHandle(ev);
}

TEST_F(KvFilter, BadInputsFailAndTheHostLives) {
  const DWORD invalid = ERROR_INVALID_PARAMETER;
  BYTE junk[32] = {1, 2, 3, 4, 5, 6, 7, 8};
  // Event records: missing, short, long, no handle, a handle that is not there, not an event.
  EXPECT_EQ(dev_.Control(IOCTL_SET_EVENT_USBOPEN, nullptr, 0, nullptr, 0), invalid);
  EXPECT_EQ(dev_.Control(IOCTL_SET_EVENT_USBOPEN, junk, 2, nullptr, 0), invalid);
  EXPECT_EQ(dev_.Control(IOCTL_SET_EVENT_USBOPEN, junk, 16, nullptr, 0), invalid);
  KV_EVENT_HANDLE_RECORD none = {nullptr};
  EXPECT_EQ(dev_.Control(IOCTL_SET_EVENT_USBOPEN, &none, sizeof none, nullptr, 0),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  KV_EVENT_HANDLE_RECORD bogus = {reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FF0))};
  EXPECT_NE(dev_.Control(IOCTL_SET_EVENT_USBOPEN, &bogus, sizeof bogus, nullptr, 0), 0u);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  KV_EVENT_HANDLE_RECORD notEvent = {mutex};
  EXPECT_NE(dev_.Control(IOCTL_SET_EVENT_USBOPEN, &notEvent, sizeof notEvent, nullptr, 0), 0u);
  CloseHandle(mutex);
  EXPECT_EQ(State().EventsHeld, 0u);

  // Unknown codes, including neighbours of the real ones and other transfer methods.
  for (DWORD code : {0x2F2188u, 0x2F21A0u, 0x2F218Du, 0x2F218Fu, 0x22218Cu, 0u}) {
    EXPECT_EQ(dev_.Control(code, junk, sizeof junk, junk, sizeof junk), static_cast<DWORD>(ERROR_INVALID_FUNCTION))
        << std::hex << code;
  }

  // The test-only code: short, unknown operation, names empty, unterminated or too long,
  // and a state without room.
  KV_TEST_REQUEST req = {};
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, 3, nullptr, 0), invalid);
  req.Op = 77;
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, sizeof req, nullptr, 0), invalid);
  req.Op = KVTEST_OP_OPENED;
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, sizeof req, nullptr, 0), invalid);
  std::memset(req.Name, 'n', sizeof req.Name);
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, sizeof req, nullptr, 0), invalid);
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER + 5, nullptr, 0), invalid);
  req.Op = KVTEST_OP_STATE;
  EXPECT_EQ(dev_.Control(IOCTL_KVTEST_CONTROL, &req, KV_TEST_REQUEST_HEADER, junk, sizeof junk),
            static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(dev_.Query(IOCTL_GET_USING_APPNAME), "") << "bad names changed nothing";

  // The host is alive and serves new handles.
  EXPECT_EQ(kvtest::ServiceState(kService), static_cast<DWORD>(SERVICE_RUNNING));
  Device fresh;
  ASSERT_TRUE(fresh.Open());
  ASSERT_EQ(fresh.Opened("Alive.exe"), 0u);
  EXPECT_EQ(dev_.Query(IOCTL_GET_USING_APPNAME), "Alive.exe");
}

#ifdef KVFILTER_CALLER32
TEST_F(KvFilter, ThirtyTwoBitCallerWithItsFourByteRecord) {
  // Its exit code names the step that failed; a code outside them means this Wine could not
  // run the 32-bit program at all.
  kvtest::Program caller;
  if (!caller.Start(kvtest::WinPath(KVFILTER_CALLER32), L"")) GTEST_SKIP() << "no 32-bit programs here";
  DWORD code = caller.Wait(30000);
  if (code != 0 && (code < 10 || code > 23)) GTEST_SKIP() << "the 32-bit program did not run: " << code;
  EXPECT_EQ(code, 0u) << "failed at step " << code;
  KV_TEST_STATE st = State();
  EXPECT_STREQ(st.LastAppName, "Caller32.exe");
  EXPECT_EQ(st.EventsHeld, 0u);
}
#endif

TEST_F(KvFilter, HandlesAreCounted) {
  unsigned base = State().OpenHandles;
  {
    Device a, b;
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    EXPECT_EQ(State().OpenHandles, base + 2);
  }
  EXPECT_EQ(State().OpenHandles, base);
}

}  // namespace
