#include "camera_controller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device_key.h"
#include "fake_platform.h"
#include "fake_settings_store.h"
#include "platform_client.h"

using namespace lookout;
using lookout::test::FakeRendezvous;
using lookout::test::FakeSettingsStore;
using lookout::test::FakeTransport;
using lookout::test::FakeUi;

namespace {

const std::string kHost = "pc-1";

std::wstring PnpPath(const std::wstring& vid, const std::wstring& pid, const std::wstring& instance) {
  return L"@device:pnp:\\\\?\\usb#vid_" + vid + L"&pid_" + pid + L"&mi_00#" + instance +
         L"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

class FakeCameraServer : public CameraServer {
 public:
  struct Device {
    std::wstring friendly, display;
  };
  std::vector<Device> devices;
  CreateResult createResult = CreateResult::Created;
  bool stopResult = true;
  std::vector<std::wstring> calls;  // "create GUID INDEX", "stop GUID"

  int DeviceCount() override { return static_cast<int>(devices.size()); }
  std::wstring DeviceFriendlyName(int index, std::wstring* display) override {
    *display = devices.at(static_cast<size_t>(index)).display;
    return devices.at(static_cast<size_t>(index)).friendly;
  }
  std::wstring DeviceName(int index) override { return devices.at(static_cast<size_t>(index)).display; }
  CreateResult CreateCamera(const std::wstring& guid, int index) override {
    calls.push_back(L"create " + guid + L" " + std::to_wstring(index));
    return createResult;
  }
  bool StopCamera(const std::wstring& guid) override {
    calls.push_back(L"stop " + guid);
    return stopResult;
  }
};

class FakeControllerUi : public ControllerUi {
 public:
  std::vector<std::wstring> messages, debug;
  int timerStops = 0;
  std::vector<CameraMenuItem> menu;
  int menuBuilds = 0;
  int checked = 0;

  int ShowTimedMessage(const std::wstring& text, unsigned, int ms) override {
    EXPECT_EQ(ms, 30000);
    messages.push_back(text);
    return 1;
  }
  void DebugOutput(const std::wstring& text) override { debug.push_back(text); }
  void StopPublishingTimer() override { ++timerStops; }
  void SetCameraMenu(const std::vector<CameraMenuItem>& items) override {
    menu = items;
    ++menuBuilds;
  }
  void CheckCameraItem(int command, int first, int) override {
    EXPECT_EQ(first, 130);
    checked = command;
  }
};

class Controller : public ::testing::Test {
 protected:
  Controller() : controller(settings, store, server, ui, kHost) {}

  void AddDevice(const std::wstring& friendly, const std::wstring& display) {
    server.devices.push_back({friendly, display});
  }
  std::wstring GuidOf(const std::wstring& display) { return MakeCameraGuid(display, kHost); }
  std::wstring KeyOf(const std::wstring& display) { return MakeDeviceKey(display); }

  ServiceSettings settings;
  FakeSettingsStore store;
  FakeCameraServer server;
  FakeControllerUi ui;
  CameraController controller;
};

}  // namespace

TEST_F(Controller, FirstTickWithOneDeviceAndNoFilePublishesIndexZeroAndStopsTheTimer) {
  std::wstring path = PnpPath(L"046d", L"0825", L"6&2b6a5f1&0&0000");
  AddDevice(L"USB Camera", path);
  FakeTransport transport;
  transport.Answer(L"127.0.0.1:8000");
  FakeUi platformUi;
  FakeRendezvous rendezvous;
  PlatformClient platform(transport, platformUi, rendezvous, settings.m_szServerURL, [] { return 0; });

  controller.OnPublishingTimer(platform);

  ASSERT_EQ(rendezvous.calls.size(), 1u);
  EXPECT_EQ(rendezvous.calls[0], std::make_pair(std::wstring(L"127.0.0.1"), 8000));
  std::wstring guid = L"kvvid046dpid0825" + std::to_wstring(HostNameSum(kHost));
  EXPECT_EQ(guid.substr(0, 2), L"kv");
  EXPECT_EQ(server.calls, std::vector<std::wstring>{L"create " + guid + L" 0"});
  EXPECT_TRUE(controller.IsPublished());
  EXPECT_EQ(controller.PublishedGuid(), guid);
  EXPECT_EQ(ui.debug, std::vector<std::wstring>{L"\nCamera Started! GUID:[" + guid + L"]\n"});
  EXPECT_EQ(ui.timerStops, 1);
  // The file was made, with the default host first and the camera's section.
  EXPECT_TRUE(store.exists);
  EXPECT_EQ(store.writeLog.front(), L"MAIN/ServerURL=platform.lookout.invalid");
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"1");
  EXPECT_EQ(store.Value(L"MAIN", L"LastInline"), L"1");
  EXPECT_EQ(store.Value(L"MAIN", L"DefaultCamera"), L"usb046d08250062b6a5f100000");
  EXPECT_EQ(store.Value(L"CAMERA1", L"GUID1"), guid);
  EXPECT_EQ(store.Value(L"CAMERA1", L"CameraName1"), L"USB Camera - [usb046d08250062b6a5f100000]");
  EXPECT_EQ(store.Value(L"CAMERA1", L"CMDID1"), L"130");
  ASSERT_EQ(ui.menu.size(), 1u);
  EXPECT_EQ(ui.menu[0].command, 130);
  EXPECT_EQ(ui.checked, 130);

  // A later tick finds the camera published: it is neither created again nor given a new GUID.
  controller.OnPublishingTimer(platform);
  EXPECT_EQ(server.calls.size(), 1u);
  EXPECT_EQ(store.Value(L"CAMERA1", L"GUID1"), guid);
}

TEST_F(Controller, TimerStopsOnRendezvousOrServerAddressFailureWithoutRefreshing) {
  AddDevice(L"USB Camera", PnpPath(L"046d", L"0825", L"1"));
  FakeTransport transport;
  transport.Answer(L"<HTML>error</HTML>");
  FakeUi platformUi;
  FakeRendezvous rendezvous;
  PlatformClient platform(transport, platformUi, rendezvous, settings.m_szServerURL, [] { return 0; });
  controller.OnPublishingTimer(platform);
  EXPECT_EQ(ui.timerStops, 1);
  EXPECT_TRUE(rendezvous.calls.empty());
  EXPECT_EQ(platformUi.Texts(), std::vector<std::wstring>{L"asp返回服务器信息有误！"});

  transport.answers.clear();
  transport.Answer(L"10.0.0.99:7000");
  rendezvous.result = 0;
  controller.OnPublishingTimer(platform);
  EXPECT_EQ(ui.timerStops, 2);
  EXPECT_EQ(platformUi.Texts().back(), L"提示!!!!   设置服务器地址 [10.0.0.997000] 失败！");
  EXPECT_TRUE(server.calls.empty());
  EXPECT_FALSE(store.exists);
}

TEST_F(Controller, UnpluggedCameraLeavesTheMapButKeepsItsSectionAfterThePresentOnes) {
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1"), b = PnpPath(L"bbbb", L"0002", L"2");
  AddDevice(L"Cam A", a);
  AddDevice(L"Cam B", b);
  controller.RefreshCameras();
  ASSERT_TRUE(controller.IsPublished());
  std::wstring first = controller.SelectedDeviceKey();
  std::wstring other = first == KeyOf(a) ? KeyOf(b) : KeyOf(a);
  const std::wstring& firstDisplay = first == KeyOf(a) ? a : b;

  // The published camera goes away: the other one is published in its place.
  server.devices.erase(std::find_if(server.devices.begin(), server.devices.end(),
                                    [&](const FakeCameraServer::Device& d) { return d.display == firstDisplay; }));
  server.calls.clear();
  controller.RefreshCameras();
  EXPECT_EQ(settings.m_mapOnline.GetCount(), 1u);
  EXPECT_EQ(settings.m_mapOnline.Lookup(first), nullptr);
  EXPECT_EQ(std::wstring(settings.m_szDefaultCamera), other);
  ASSERT_EQ(server.calls.size(), 2u);
  EXPECT_EQ(server.calls[0], L"stop " + GuidOf(firstDisplay));
  EXPECT_EQ(server.calls[1], std::wstring(L"create ") + settings.m_mapOnline.Lookup(other)->GUID + L" 0");
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"2");
  EXPECT_EQ(store.Value(L"CAMERA1", L"DisplayName1"), other);
  EXPECT_EQ(store.Value(L"CAMERA2", L"DisplayName2"), first);
  EXPECT_EQ(store.Value(L"CAMERA2", L"GUID2"), GuidOf(firstDisplay));

  // The last camera goes away too: nothing is published and the camera submenu goes.
  server.devices.clear();
  server.calls.clear();
  controller.RefreshCameras();
  EXPECT_FALSE(controller.IsPublished());
  EXPECT_EQ(server.calls.size(), 1u);
  EXPECT_TRUE(ui.menu.empty());
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"2");
  EXPECT_EQ(store.Value(L"MAIN", L"LastInline"), L"0");
  EXPECT_EQ(ui.debug.back(), std::wstring(L"\nCamera Stopped! GUID:[") + settings.m_mapStored.Lookup(other)->GUID + L"]\n");
}

TEST_F(Controller, AbsentDefaultCameraIsReplacedByTheFirstPresentOne) {
  store.Set(L"MAIN", L"CameraCount", L"1");
  store.Set(L"MAIN", L"LastInline", L"1");
  store.Set(L"MAIN", L"DefaultCamera", L"usbgone");
  store.Set(L"CAMERA1", L"DisplayName1", L"usbgone");
  store.Set(L"CAMERA1", L"GUID1", L"kvgone");
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1");
  AddDevice(L"Cam A", a);
  controller.RefreshCameras();
  EXPECT_EQ(std::wstring(settings.m_szDefaultCamera), KeyOf(a));
  EXPECT_EQ(store.Value(L"MAIN", L"DefaultCamera"), KeyOf(a));
  EXPECT_EQ(server.calls, std::vector<std::wstring>{L"create " + GuidOf(a) + L" 0"});
  EXPECT_EQ(store.Value(L"CAMERA2", L"GUID2"), L"kvgone");
}

TEST_F(Controller, StoredCameraKeepsItsGuidAndAPresentDefaultIsPublished) {
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1"), b = PnpPath(L"bbbb", L"0002", L"2");
  store.Set(L"MAIN", L"CameraCount", L"2");
  store.Set(L"MAIN", L"LastInline", L"2");
  store.Set(L"MAIN", L"DefaultCamera", KeyOf(b));
  store.Set(L"CAMERA1", L"DisplayName1", KeyOf(a));
  store.Set(L"CAMERA1", L"GUID1", L"");  // an empty GUID is made anew
  store.Set(L"CAMERA2", L"DisplayName2", KeyOf(b));
  store.Set(L"CAMERA2", L"GUID2", L"kvstoredb");
  store.Set(L"CAMERA2", L"NOTIPS2", L"1");
  AddDevice(L"Cam A", a);
  AddDevice(L"Cam B", b);
  controller.RefreshCameras();
  EXPECT_EQ(controller.PublishedGuid(), L"kvstoredb");
  EXPECT_EQ(settings.m_mapOnline.Lookup(KeyOf(a))->GUID, GuidOf(a));
  EXPECT_EQ(settings.m_mapOnline.Lookup(KeyOf(b))->NOTIPS, 1);
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"2");
}

TEST_F(Controller, SelectingThePublishedCameraDoesNothingAndAnotherRepublishes) {
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1"), b = PnpPath(L"bbbb", L"0002", L"2");
  AddDevice(L"Cam A", a);
  AddDevice(L"Cam B", b);
  controller.RefreshCameras();
  int published = controller.SelectedCommand();
  std::wstring guid = controller.PublishedGuid();
  server.calls.clear();
  store.writeLog.clear();
  controller.SelectCamera(published);
  EXPECT_TRUE(server.calls.empty());
  EXPECT_TRUE(store.writeLog.empty());

  int other = published == 130 ? 131 : 130;
  controller.SelectCamera(other);
  ASSERT_EQ(server.calls.size(), 2u);
  EXPECT_EQ(server.calls[0], L"stop " + guid);
  EXPECT_EQ(controller.SelectedCommand(), other);
  EXPECT_NE(controller.PublishedGuid(), guid);
  EXPECT_EQ(server.calls[1], L"create " + controller.PublishedGuid() + L" " +
                                 std::to_wstring(controller.DeviceIndexOf(other)));
  EXPECT_EQ(store.Value(L"MAIN", L"DefaultCamera"), controller.SelectedDeviceKey());
  EXPECT_EQ(ui.checked, other);
}

TEST_F(Controller, TheCameraServerGetsItsOwnDeviceIndexNotTheMapPosition) {
  // Find two devices whose walking order differs from their enumeration order.
  std::vector<std::wstring> paths;
  for (int i = 0; i < 40 && paths.size() < 2; ++i) {
    std::wstring p = PnpPath(L"10" + std::to_wstring(10 + i), L"0001", L"1");
    if (paths.empty()) {
      paths.push_back(p);
    } else {
      CameraMap m;
      m.SetAt(KeyOf(paths[0]), CameraInfo{});
      m.SetAt(KeyOf(p), CameraInfo{});
      if (m.Keys().front() == KeyOf(p)) paths.push_back(p);
    }
  }
  ASSERT_EQ(paths.size(), 2u);
  AddDevice(L"Cam 0", paths[0]);  // enumeration index 0, walked second
  AddDevice(L"Cam 1", paths[1]);  // enumeration index 1, walked first: command 130
  controller.RefreshCameras();
  EXPECT_EQ(ui.menu.back().command, 130);
  EXPECT_EQ(ui.menu.back().text, L"Cam 1 - [" + KeyOf(paths[1]) + L"]");
  EXPECT_EQ(controller.SelectedDeviceKey(), KeyOf(paths[1]));
  EXPECT_EQ(server.calls, std::vector<std::wstring>{L"create " + GuidOf(paths[1]) + L" 1"});
  server.calls.clear();
  controller.SelectCamera(131);
  EXPECT_EQ(server.calls.back(), L"create " + GuidOf(paths[0]) + L" 0");
}

TEST_F(Controller, CreateResultZeroCountsAsPublishedAndFailureIsShown) {
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1");
  AddDevice(L"Cam A", a);
  server.createResult = CameraServer::CreateResult::Failed;
  controller.RefreshCameras();
  EXPECT_FALSE(controller.IsPublished());
  EXPECT_EQ(ui.messages, std::vector<std::wstring>{L"CreateLantern失败！GUID:[" + GuidOf(a) + L"], Idx:[0]"});
  EXPECT_EQ(ui.timerStops, 0);
  EXPECT_TRUE(ui.debug.empty());

  server.createResult = CameraServer::CreateResult::IndexOutOfRange;
  controller.StartPublishing();
  EXPECT_TRUE(controller.IsPublished());
  EXPECT_EQ(ui.timerStops, 1);
  EXPECT_EQ(ui.debug.size(), 1u);
}

TEST_F(Controller, StopFailureKeepsTheCameraPublished) {
  std::wstring a = PnpPath(L"aaaa", L"0001", L"1");
  AddDevice(L"Cam A", a);
  controller.RefreshCameras();
  server.stopResult = false;
  controller.StopPublishing();
  EXPECT_TRUE(controller.IsPublished());
  EXPECT_EQ(ui.messages, std::vector<std::wstring>{L"StopVirtualCamera失败！GUID:[" + GuidOf(a) + L"]"});
  server.stopResult = true;
  controller.StopPublishing();
  EXPECT_FALSE(controller.IsPublished());
  EXPECT_TRUE(controller.PublishedGuid().empty());
  controller.StopPublishing();  // nothing published: nothing to stop
  EXPECT_EQ(server.calls.size(), 3u);
}

TEST_F(Controller, DevicesWithoutFriendlyNameAreLeftOutAndNotCounted) {
  AddDevice(L"", PnpPath(L"aaaa", L"0001", L"1"));
  AddDevice(L"Named", L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{C74486F3-73B3-498A-ADA8-57BC6BFA1D75}");
  controller.RefreshCameras();
  EXPECT_EQ(settings.m_nLastInline, 1);
  ASSERT_EQ(settings.m_mapOnline.GetCount(), 1u);
  // A display name without "#{" keeps the key "[Noname]"; its GUID has no device part.
  const CameraInfo* c = settings.m_mapOnline.Lookup(L"[Noname]");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::wstring(c->GUID), L"kv" + std::to_wstring(HostNameSum(kHost)));
  EXPECT_EQ(server.calls, std::vector<std::wstring>{L"create " + std::wstring(c->GUID) + L" 1"});
}

TEST_F(Controller, InconsistentFileIsTreatedAsUnread) {
  store.Set(L"MAIN", L"CameraCount", L"1");
  store.Set(L"MAIN", L"LastInline", L"3");
  store.Set(L"CAMERA1", L"DisplayName1", L"usbold");
  store.Set(L"CAMERA1", L"GUID1", L"kvold");
  settings.m_mapStored.SetAt(L"usbold", CameraInfo{});
  AddDevice(L"Cam A", PnpPath(L"aaaa", L"0001", L"1"));
  controller.RefreshCameras();
  EXPECT_TRUE(settings.m_mapStored.IsEmpty());
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"1");
  EXPECT_EQ(store.Value(L"CAMERA1", L"DisplayName1"), KeyOf(PnpPath(L"aaaa", L"0001", L"1")));
}

TEST_F(Controller, ArrivalMovingThePublishedCameraRepublishesItUnderItsNewCommand) {
  // b is walked before a: after its arrival a moves from 130 to 131.
  std::vector<std::wstring> paths;
  for (int i = 0; i < 40 && paths.size() < 2; ++i) {
    std::wstring p = PnpPath(L"20" + std::to_wstring(10 + i), L"0001", L"1");
    if (paths.empty()) {
      paths.push_back(p);
    } else {
      CameraMap m;
      m.SetAt(KeyOf(paths[0]), CameraInfo{});
      m.SetAt(KeyOf(p), CameraInfo{});
      if (m.Keys().front() == KeyOf(p)) paths.push_back(p);
    }
  }
  ASSERT_EQ(paths.size(), 2u);
  AddDevice(L"Cam A", paths[0]);
  controller.RefreshCameras();
  EXPECT_EQ(controller.SelectedCommand(), 130);
  AddDevice(L"Cam B", paths[1]);
  server.calls.clear();
  controller.RefreshCameras();
  EXPECT_EQ(controller.SelectedCommand(), 131);
  EXPECT_EQ(server.calls, (std::vector<std::wstring>{L"stop " + GuidOf(paths[0]), L"create " + GuidOf(paths[0]) + L" 0"}));
  EXPECT_EQ(ui.menu.size(), 2u);
  EXPECT_EQ(ui.menu.front().command, 131);  // the popup lists the cameras in reverse walking order
}

TEST_F(Controller, AtMostTenCameraCommands) {
  for (int i = 0; i < 12; ++i) AddDevice(L"Cam", PnpPath(L"30" + std::to_wstring(10 + i), L"0001", L"1"));
  controller.RefreshCameras();
  EXPECT_EQ(ui.menu.size(), 10u);
  int withoutCommand = 0;
  settings.m_mapOnline.ForEach([&](const CameraMap::Entry& e) {
    if (e.value.CMDID == 0) ++withoutCommand;
    else EXPECT_LT(e.value.CMDID, 140);
  });
  EXPECT_EQ(withoutCommand, 2);
  EXPECT_EQ(store.Value(L"MAIN", L"CameraCount"), L"12");
}
