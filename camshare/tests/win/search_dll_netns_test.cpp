// The LAN search through Rookery.dll as the service application uses it: "quil" mode, a
// notification window, the system clock. Runs only through scripts/netns-run.sh.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Rookery.h"
#include "netns_support.h"

using namespace rookery_test;

namespace {
struct MgrPeek : CamSearchMgr {
  static HANDLE Thread(CamSearchMgr& m) { return m.*(&MgrPeek::m_hSearchThread); }
};
}  // namespace

TEST(SearchThroughTheLibrary, CameraAppearsOnceAndTheManagerStopsCleanly) {
  std::string unsafe = CheckTestNetwork();
  ASSERT_TRUE(unsafe.empty()) << unsafe;
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  QuilcamControl control;
  ASSERT_TRUE(control.Ready());
  ASSERT_TRUE(control.SetCameras(""));
  NotifyWindow window;

  CamSearchMgr* manager = CamSearchMgr::GetInstance(L"quil");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(CamSearchMgr::GetInstance(nullptr), manager);  // later modes are ignored
  ASSERT_NE(MgrPeek::Thread(*manager), nullptr);
  EXPECT_EQ(WaitForSingleObject(CamSearchMgr::m_hEvent, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CamSearchMgr::m_dllInstanceMap.empty());  // empty list: no plug-in to load
  manager->SetWndNotify(window.handle(), NotifyWindow::kMessage);
  ASSERT_TRUE(control.SetCameras("id=DLL000000001,name=gate,ip=10.213.7.100,port=8080,scramble=1"));

  // The next request goes out within 3 s.
  ASSERT_TRUE(WaitUntil([&] { return manager->GetCamCount() == 1; }, 5000));
  CAMLIST_ITEM* c = manager->GetCamInfo(0);
  EXPECT_STREQ(manager->GetCamStringInfo(c), L"Devicequil@10.213.7.100@gate");
  EXPECT_EQ(0, std::memcmp(c->mac, "DLL000", 6));
  EXPECT_STREQ(c->submask, "255.255.255.0");
  EXPECT_EQ(c->webport, 8080);
  EXPECT_EQ(c->localport, 8080);
  EXPECT_STREQ(c->cameratype, "quil");
  EXPECT_EQ(CamSearchMgr::m_listCamer.size(), 1u);
  EXPECT_TRUE(WaitUntil([&] { return window.Count() == 1; }, 1000));
  // One more request and answer: still one record, one notification.
  const DWORD seen = c->lastSeen;
  ASSERT_TRUE(WaitUntil([&] { return c->lastSeen != seen; }, 5000));
  EXPECT_EQ(manager->GetCamCount(), 1u);
  EXPECT_EQ(window.Count(), 1);

  {
    CamSearchMgr copy(*manager);
    EXPECT_EQ(MgrPeek::Thread(copy), nullptr);
  }
  const DWORD start = GetTickCount();
  CamSearchMgr::ReleaseInstance();
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(CamSearchMgr::m_hEvent, nullptr);
  // Records outlive the manager.
  EXPECT_STREQ(c->name, "gate");
  WSACleanup();
}
