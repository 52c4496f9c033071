// The LAN search against stand-in quil cameras in the camera namespace, with the manager's
// code linked in and a manual clock: every 3 s request and 5 s ageing pass happens when the
// test moves the clock. Runs only through scripts/netns-run.sh.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Rookery.h"
#include "common/clock.h"
#include "netns_support.h"
#include "quilcam_answer.h"
#include "rookery_state.h"
#include "search_socket.h"

using namespace rookery_test;

namespace {

struct MgrPeek : CamSearchMgr {
  static HANDLE Thread(CamSearchMgr& m) { return m.*(&MgrPeek::m_hSearchThread); }
};

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string unsafe = CheckTestNetwork();  // never search anywhere else
    ASSERT_TRUE(unsafe.empty()) << unsafe;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    control_ = std::make_unique<QuilcamControl>();
    ASSERT_TRUE(control_->Ready()) << "the stand-in camera does not answer";
    ASSERT_TRUE(control_->SetCameras(""));
    camshare::win::SetTickSourceForTesting(&clock_);
  }

  void TearDown() override {
    if (manager_ != nullptr) {
      // Silence, then let every camera age out: the next test starts with an empty list.
      control_->SetCameras("");
      Sleep(150);
      clock_.Advance(61000);
      EXPECT_TRUE(WaitUntil([&] { return manager_->GetCamCount() == 0; }, 3000));
      CamSearchMgr::ReleaseInstance();
    }
    camshare::win::SetTickSourceForTesting(nullptr);
  }

  long Requests() {
    long n = -1;
    unsigned port = 0;
    control_->Count(&n, &port);
    return n;
  }

  // Starts the search (its first request finds the cameras silent) and the notifications.
  void Start() {
    long before = Requests();
    manager_ = CamSearchMgr::GetInstance(L"quil");
    ASSERT_NE(MgrPeek::Thread(*manager_), nullptr);
    manager_->SetWndNotify(window_.handle(), NotifyWindow::kMessage);
    ASSERT_TRUE(WaitUntil([&] { return Requests() > before; }, 3000)) << "no search request";
  }

  // Moves the clock on and waits until the cameras have seen the next request.
  void NextRequest(uint32_t advance = 3000) {
    long before = Requests();
    clock_.Advance(advance);
    ASSERT_TRUE(WaitUntil([&] { return Requests() > before; }, 3000)) << "no search request";
  }

  void Cameras(const std::string& cameras) {
    ASSERT_TRUE(control_->SetCameras(cameras));
    NextRequest();
  }

  // An answer sent straight to the search socket, without a request: once the camera is in
  // the list the thread has made a pass at the current time.
  void Inject(const std::string& camera) {
    quilcam::CameraSpec spec;
    std::string error;
    ASSERT_TRUE(quilcam::ParseCamera(camera, &spec, &error)) << error;
    std::vector<uint8_t> answer = quilcam::BuildAnswer(spec);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(10000);
    EXPECT_EQ(sendto(s, reinterpret_cast<const char*>(answer.data()), static_cast<int>(answer.size()), 0,
                     reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<int>(answer.size()));
    closesocket(s);
  }

  CAMLIST_ITEM* Find(const wchar_t* s) { return manager_->GetCamInfoFromString(s); }
  // The record carries the time of the latest request's answer. Waited for: under load an
  // answer to a request from before the clock moved can be handled first.
  bool SeenNow(const CAMLIST_ITEM* c) {
    return WaitUntil([&] { return c->lastSeen == clock_.NowMs(); }, 3000);
  }
  bool WaitFor(const wchar_t* s) {
    return WaitUntil([&] { return Find(s) != nullptr; }, 3000);
  }

  common::ManualClock clock_{500000};
  std::unique_ptr<QuilcamControl> control_;
  NotifyWindow window_;
  CamSearchMgr* manager_ = nullptr;
};

}  // namespace

TEST_F(Search, CameraAppearsWithEveryFieldAndOneNotification) {
  Start();
  Cameras("id=Q1W2E3R4T5Y6U,name=hall,ip=10.213.7.50,gateway=10.213.7.1,dns=10.213.7.9,port=8081");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.50@hall"));
  CAMLIST_ITEM* c = Find(L"Devicequil@10.213.7.50@hall");
  EXPECT_EQ(0, std::memcmp(c->mac, "Q1W2E3", 6));
  EXPECT_STREQ(c->name, "hall");
  EXPECT_STREQ(c->ip, "10.213.7.50");
  EXPECT_STREQ(c->submask, "255.255.255.0");
  for (const char* kept : {c->gateway, c->multiip, c->dns}) EXPECT_STREQ(kept, "0.0.0.0");
  EXPECT_EQ(c->webport, 8081);
  EXPECT_EQ(c->localport, 8081);
  EXPECT_EQ(c->multiport, 0);
  EXPECT_EQ(c->channel, 1);
  EXPECT_STREQ(c->cameratype, "quil");
  EXPECT_STREQ(c->username, "");
  EXPECT_STREQ(c->userpassword, "");
  EXPECT_TRUE(SeenNow(c)) << c->lastSeen << " at " << clock_.NowMs();
  EXPECT_EQ(manager_->GetCamCount(), 1u);
  EXPECT_TRUE(WaitUntil([&] { return window_.Count() == 1; }, 1000));
  // Answers to later requests only refresh the record. A camera that answers after it shows
  // when its answers have been handled.
  ASSERT_TRUE(control_->SetCameras(
      "id=Q1W2E3R4T5Y6U,name=hall,ip=10.213.7.50,gateway=10.213.7.1,dns=10.213.7.9,port=8081;"
      "name=marker,ip=10.213.7.59"));
  for (int i = 0; i < 3; ++i) NextRequest();
  ASSERT_TRUE(WaitUntil([&] {
    CAMLIST_ITEM* marker = Find(L"Devicequil@10.213.7.59@marker");
    return marker != nullptr && marker->lastSeen == clock_.NowMs();
  }, 3000));
  EXPECT_TRUE(SeenNow(c)) << c->lastSeen << " at " << clock_.NowMs();
  EXPECT_EQ(manager_->GetCamCount(), 2u);
  EXPECT_TRUE(WaitUntil([&] { return window_.Count() == 2; }, 1000));
}

TEST_F(Search, ScrambledAndPlainAnswersGiveTheSameRecord) {
  Start();
  const std::string cam = "id=SCR000000001,name=yard,ip=10.213.7.51,port=81";
  Cameras(cam + ",scramble=1");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.51@yard"));
  CAMLIST_ITEM* scrambled = Find(L"Devicequil@10.213.7.51@yard");
  EXPECT_EQ(scrambled->webport, 81);
  // Plain, scrambled, plain again; then a camera whose arrival shows they were handled.
  Cameras(cam + ";" + cam + ",scramble=1;" + cam + ";name=marker,ip=10.213.7.59");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.59@marker"));
  EXPECT_TRUE(SeenNow(scrambled)) << scrambled->lastSeen << " at " << clock_.NowMs();
  EXPECT_EQ(manager_->GetCamCount(), 2u);
  EXPECT_TRUE(WaitUntil([&] { return window_.Count() == 2; }, 1000));
}

TEST_F(Search, MalformedAnswersAndOtherNetworksAreDropped) {
  Start();
  // The good camera answers last: once it is in, everything before it was handled.
  Cameras("name=magic,ip=10.213.7.60,form=badmagic;name=length,ip=10.213.7.61,form=badlength;"
          "name=header,ip=10.213.7.62,form=headeronly;name=empty,ip=10.213.7.63,form=empty;"
          "name=request,ip=10.213.7.64,form=request;name=mask,ip=10.213.7.65,mask=255.255.0.0;"
          "name=far,ip=10.99.7.66;name=last,ip=10.213.7.67");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.67@last"));
  EXPECT_EQ(manager_->GetCamCount(), 1u);
  EXPECT_EQ(window_.Count(), 1);
  // The empty datagram did not end the search.
  Cameras("name=later,ip=10.213.7.68");
  EXPECT_TRUE(WaitFor(L"Devicequil@10.213.7.68@later"));
}

TEST_F(Search, CameraNamesAreCutAndConverted) {
  ASSERT_EQ(GetACP(), 936u);
  Start();
  Cameras("id=N1,name=ABCDEFGHIJKLMNOPQRSTU,ip=10.213.7.70;"  // 21 bytes, no terminator
          "id=N2,name=hex:E4B8ADE69687,ip=10.213.7.71;"       // UTF-8
          "id=N3,name=hex:D6D0CEC4,ip=10.213.7.72");          // already in the code page
  EXPECT_TRUE(WaitFor(L"Devicequil@10.213.7.70@ABCDEFGHIJKLMNOPQRST"));
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.71@\x4E2D\x6587"));
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.72@\x4E2D\x6587"));
  EXPECT_STREQ(Find(L"Devicequil@10.213.7.71@\x4E2D\x6587")->name, "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(window_.Count(), 3);
}

TEST_F(Search, SilentCameraIsAgedOutAfterSixtySeconds) {
  Start();
  Cameras("name=garden,ip=10.213.7.80");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.80@garden"));
  CAMLIST_ITEM* record = Find(L"Devicequil@10.213.7.80@garden");
  ASSERT_TRUE(WaitUntil([&] { return window_.Count() == 1; }, 1000));
  ASSERT_TRUE(control_->SetCameras(""));
  // Silent for exactly 60000 ms at an ageing pass: it stays. The pass ages before it sends,
  // so once the request is seen the ageing is done.
  NextRequest(60000);
  EXPECT_EQ(manager_->GetCamCount(), 1u);
  EXPECT_EQ(window_.Count(), 1);
  NextRequest(5000);  // the next pass removes it and tells the window
  EXPECT_TRUE(WaitUntil([&] { return manager_->GetCamCount() == 0; }, 2000));
  EXPECT_TRUE(WaitUntil([&] { return window_.Count() == 2; }, 1000));
  EXPECT_STREQ(record->name, "garden");  // unlinked, not freed
}

TEST_F(Search, PortTakenByAnotherSocketSearchStillWorks) {
  SOCKET holder = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_port = htons(10000);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  Start();
  Cameras("name=porch,ip=10.213.7.90");
  EXPECT_TRUE(WaitFor(L"Devicequil@10.213.7.90@porch"));
  long requests = 0;
  unsigned sourcePort = 0;
  ASSERT_TRUE(control_->Count(&requests, &sourcePort));
  EXPECT_NE(sourcePort, 10000u);  // sent from a port the system chose, still to 10000
  closesocket(holder);
}

TEST_F(Search, TickCounterWrapKeepsTheSchedule) {
  clock_.Set(0xFFFFFFFFu - 4000);
  Start();
  Cameras("name=wrap,ip=10.213.7.91");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.91@wrap"));
  long sent = Requests();
  Inject("name=probe,ip=10.213.7.96");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.96@probe"));
  EXPECT_EQ(Requests(), sent);  // the next request is due after the wrap, not before
  for (int i = 0; i < 4; ++i) NextRequest();
  EXPECT_LT(clock_.NowMs(), 20000u);
  EXPECT_EQ(manager_->GetCamCount(), 2u);
  EXPECT_TRUE(WaitUntil([&] { return window_.Count() == 2; }, 1000));
}

TEST_F(Search, RequestThatCannotBeSentIsTriedAgainAtTheNextPeriod) {
  // As at boot, when the search starts before the network is up.
  camshare::win::SearchSocket::FailBroadcastsForTesting(2);
  ASSERT_TRUE(control_->SetCameras("name=late,ip=10.213.7.97"));
  const long before = Requests();
  manager_ = CamSearchMgr::GetInstance(L"quil");
  manager_->SetWndNotify(window_.handle(), NotifyWindow::kMessage);
  ASSERT_TRUE(WaitUntil([] { return camshare::win::SearchSocket::BroadcastFailuresToCome() == 1; }, 3000));
  clock_.Advance(2999);
  Inject("name=probe,ip=10.213.7.96");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.96@probe"));
  EXPECT_EQ(camshare::win::SearchSocket::BroadcastFailuresToCome(), 1) << "not before the period";
  clock_.Advance(1);
  ASSERT_TRUE(WaitUntil([] { return camshare::win::SearchSocket::BroadcastFailuresToCome() == 0; }, 3000));
  EXPECT_EQ(Requests(), before);
  NextRequest();
  EXPECT_TRUE(WaitFor(L"Devicequil@10.213.7.97@late"));
  EXPECT_EQ(Requests(), before + 1);
}

TEST_F(Search, CopiesHaveNoThreadAndReleaseStopsTheSearch) {
  Start();
  {
    CamSearchMgr copy(*manager_);
    EXPECT_EQ(MgrPeek::Thread(copy), nullptr);
    CamSearchMgr assigned(copy);
    assigned = *manager_;
    EXPECT_EQ(MgrPeek::Thread(assigned), nullptr);
  }
  Cameras("name=after,ip=10.213.7.92");  // the copies' end stopped nothing
  EXPECT_TRUE(WaitFor(L"Devicequil@10.213.7.92@after"));

  HANDLE thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), MgrPeek::Thread(*manager_), GetCurrentProcess(), &thread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  control_->SetCameras("");
  const DWORD start = GetTickCount();
  CamSearchMgr::ReleaseInstance();
  manager_ = nullptr;
  EXPECT_LT(GetTickCount() - start, 1000u);
  DWORD code = 99;
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code) && code == 0);
  CloseHandle(thread);
  // Released at once after the start, before the thread may have its message queue.
  for (int i = 0; i < 5; ++i) {
    const DWORD quick = GetTickCount();
    CamSearchMgr::GetInstance(L"quil");
    CamSearchMgr::ReleaseInstance();
    EXPECT_LT(GetTickCount() - quick, 1000u);
  }
  manager_ = CamSearchMgr::GetInstance(L"quil");  // the next test starts with an empty list
}

TEST_F(Search, QuilModeLoadRestoresCredentialsOfFoundCameras) {
  std::wstring ini = std::wstring(L"DoderadIrava.ini");
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  ini = std::wstring(exe).substr(0, std::wstring(exe).find_last_of(L'\\') + 1) + ini;
  FILE* f = _wfopen(ini.c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  std::fputs("[system]\r\nCameraNumber=2\r\nCameraIDList=0000#0001#\r\n[Camera0]\r\ncameratype=quil\r\n"
             "url=10.213.7.93\r\nsername=attic\r\nusername=root\r\nuserpassword=secret\r\n"
             "[Camera1]\r\ncameratype=quil\r\nurl=10.213.7.94\r\nsername=notfound\r\n",
             f);
  std::fclose(f);
  Start();
  Cameras("name=attic,ip=10.213.7.93");
  ASSERT_TRUE(WaitFor(L"Devicequil@10.213.7.93@attic"));
  EXPECT_EQ(manager_->LoadMonitorGWConfig(GetModuleHandleW(nullptr)), 1);
  CAMLIST_ITEM* c = Find(L"Devicequil@10.213.7.93@attic");
  EXPECT_STREQ(c->username, "root");
  EXPECT_STREQ(c->userpassword, "secret");
  EXPECT_TRUE(manager_->IsCamIsUsing(L"Devicequil@10.213.7.93@attic"));
  EXPECT_EQ(manager_->GetCamCount(), 1u);  // the camera not found is passed over
  DeleteFileW(ini.c_str());
}
