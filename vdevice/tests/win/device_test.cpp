// Mirage.ax as programs meet it: registration through the filter mapper with Rookery's
// list, and capture graphs (device -> Sample Grabber -> Null Renderer) opened by camera
// string on the stand-in quil camera and the NetClient stand-in. Devices are registered in
// the test run's private prefix and unregistered at the end of each scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Lantern.h"
#include "Rookery.h"
#include "capture_graph.h"
#include "dshow_base/device_list.h"
#include "dshow_base/media_type.h"
#include "mirage_ids.h"
#include "mirage_test_support.h"
#include "netclient_standin.h"
#include "quilcam_camera.h"
#include "quilcam_server.h"
#include "real_video_channel.h"
#include "testcam/test_camera.h"
#include "yuv_picture.h"

using namespace mirage_test;

namespace {

const wchar_t kLegacyInstance[] =
    L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{E492CD61-B19D-4613-8E49-18D4E5F0E282}";
const wchar_t kServerKey[] = L"CLSID\\{E492CD61-B19D-4613-8E49-18D4E5F0E282}";

// Mirage.ax's entry points, loaded from the scenario's directory.
struct MirageModule {
  HMODULE module = LoadLibraryW(L"Mirage.ax");
  HRESULT Register() { return Call("DllRegisterServer"); }
  HRESULT Unregister() { return Call("DllUnregisterServer"); }
  HRESULT Call(const char* name) {
    auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr ? fn() : E_NOTIMPL;
  }
};

std::vector<dshow::DeviceEntry> Devices(bool ours) {
  std::vector<dshow::DeviceEntry> all, picked;
  dshow::ListDevices(CLSID_VideoInputDeviceCategory, &all);
  for (const auto& d : all)
    if ((d.clsid == mirage::kClsid) == ours) picked.push_back(d);
  return picked;
}

std::wstring RegString(const std::wstring& key, const wchar_t* value) {
  wchar_t text[MAX_PATH] = {};
  DWORD bytes = sizeof text;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return text;
}

bool KeyExists(const std::wstring& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::vector<std::wstring> Names(const std::vector<dshow::DeviceEntry>& devices) {
  std::vector<std::wstring> names;
  for (const auto& d : devices) names.push_back(d.friendlyName);
  std::sort(names.begin(), names.end());
  return names;
}

const IniCamera kQuilListed = [] { IniCamera c; c.name = "gate"; return c; }();
const IniCamera kOrvelListed = [] { IniCamera c; c.name = "yard"; c.type = "orvel"; c.ip = "127.0.0.3"; return c; }();

}  // namespace

// --- Registration ---------------------------------------------------------------------

TEST(MirageRegistration, EmptyListWritesOnlyTheServerAndFilterEntries) {
  RunScenario("EmptyListWritesOnlyTheServerAndFilterEntries", "[system]\r\nCameraNumber=0\r\n");
}
TEST(InScenario, EmptyListWritesOnlyTheServerAndFilterEntries) {
  IN_SCENARIO();
  MirageModule mirage;
  ASSERT_NE(nullptr, mirage.module);
  const size_t before = Devices(false).size();
  struct Cleanup {
    MirageModule* mirage;
    ~Cleanup() { mirage->Unregister(); }
  } cleanup{&mirage};
  ASSERT_EQ(S_OK, mirage.Register());
  EXPECT_EQ(L"Monitor Video Device", RegString(kServerKey, nullptr));
  EXPECT_EQ(0, lstrcmpiW((rookery_test::ProgramDirectory() + L"Mirage.ax").c_str(),
                         RegString(std::wstring(kServerKey) + L"\\InprocServer32", nullptr).c_str()));
  EXPECT_EQ(L"Both", RegString(std::wstring(kServerKey) + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"Monitor Video Device", RegString(kLegacyInstance, L"FriendlyName"));
  EXPECT_TRUE(Devices(true).empty());
  EXPECT_EQ(before, Devices(false).size());

  EXPECT_TRUE(SUCCEEDED(mirage.Unregister()));
  EXPECT_FALSE(KeyExists(kServerKey));
  EXPECT_FALSE(KeyExists(kLegacyInstance));
}

TEST(MirageRegistration, EachCameraIsADeviceNamedByItsCameraString) {
  RunScenario("EachCameraIsADeviceNamedByItsCameraString", Ini({kQuilListed, kOrvelListed}));
}
TEST(InScenario, EachCameraIsADeviceNamedByItsCameraString) {
  IN_SCENARIO();
  // The test webcam, once as itself and once under an instance name equal to its friendly
  // name, as Mirage names its own devices.
  HMODULE testcam = LoadLibraryW(L"TestCam.ax");
  auto registerTestCamera = reinterpret_cast<RegisterTestCameraFn>(
      reinterpret_cast<void*>(GetProcAddress(testcam, "RegisterTestCamera")));
  auto unregisterTestCamera = reinterpret_cast<UnregisterTestCameraFn>(
      reinterpret_cast<void*>(GetProcAddress(testcam, "UnregisterTestCamera")));
  ASSERT_TRUE(registerTestCamera && unregisterTestCamera);
  MirageModule mirage;
  // Whatever fails below, the prefix keeps none of these devices.
  struct Cleanup {
    UnregisterTestCameraFn testcam;
    MirageModule* mirage;
    ~Cleanup() {
      mirage->Unregister();
      testcam(L"Lookout Test Camera 2");
      testcam(nullptr);
    }
  } cleanup{unregisterTestCamera, &mirage};
  ASSERT_EQ(S_OK, registerTestCamera(nullptr, nullptr));
  ASSERT_EQ(S_OK, registerTestCamera(L"Lookout Test Camera 2", L"Lookout Test Camera 2"));
  const std::vector<std::wstring> others = Names(Devices(false));

  ASSERT_EQ(S_OK, mirage.Register());
  std::vector<dshow::DeviceEntry> ours = Devices(true);
  ASSERT_EQ(2u, ours.size());
  EXPECT_EQ((std::vector<std::wstring>{L"Deviceorvel@127.0.0.3@yard", L"Devicequil@127.0.0.1@gate"}), Names(ours));
  for (const auto& d : ours) {
    EXPECT_EQ(d.friendlyName, d.instanceName);
    EXPECT_EQ(0u, d.displayName.find(L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\"));
  }
  // Lantern's capture-device list leaves them out.
  const int lantern = GetVideoCapCount();
  EXPECT_EQ(static_cast<int>(others.size()), lantern);
  char buffer[260];
  for (int i = 0; i < lantern; ++i) {
    const char* name = GetVideoCapName(i, buffer, sizeof buffer);
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(nullptr, strstr(name, "Device"));
  }

  EXPECT_EQ(S_OK, mirage.Unregister());
  EXPECT_TRUE(Devices(true).empty());
  EXPECT_EQ(others, Names(Devices(false)));  // the webcam's devices stay
}

// --- Capture graphs -------------------------------------------------------------------

namespace {

// Registers the devices of the list for one scenario and removes them at its end.
struct Registered {
  Registered() { EXPECT_EQ(S_OK, mirage.Register()); }
  ~Registered() { EXPECT_EQ(S_OK, mirage.Unregister()); }
  MirageModule mirage;
};

void ExpectAdjacentFromZero(const std::vector<webcam::SampleTimes>& times) {
  ASSERT_GE(times.size(), 2u);
  EXPECT_EQ(S_OK, times[0].result);
  EXPECT_EQ(0, times[0].start);
  for (size_t i = 0; i < times.size(); ++i) {
    EXPECT_EQ(400000, times[i].end - times[i].start) << i;
    if (i > 0) {
      EXPECT_EQ(times[i - 1].end, times[i].start) << i;
    }
  }
}

struct Colour {
  int x, y, r, g, b;
};
// Points of the pattern away from its edges (x, y as fractions of 16).
std::vector<Colour> PatternPoints(int w, int h) {
  return {{w / 2, h / 16, 255, 0, 0}, {w / 2, h - h / 16, 0, 0, 255}, {w / 16, h / 2, 0, 255, 0},
          {w * 3 / 4, h / 2, 128, 128, 128}};
}

bool ShowsPattern(const std::vector<uint8_t>& frame, webcam::SampleFormat format, int w, int h, int tolerance) {
  if (frame.size() < webcam::SampleSize(format, w, h)) return false;
  for (const Colour& p : PatternPoints(w, h)) {
    webcam::Rgb c = webcam::SamplePixel(frame.data(), format, w, h, p.x, p.y);
    if (std::abs(c.r - p.r) > tolerance || std::abs(c.g - p.g) > tolerance || std::abs(c.b - p.b) > tolerance)
      return false;
  }
  return true;
}

bool AllZero(const std::vector<uint8_t>& frame) {
  return std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

TEST(MirageCapture, QuilDeviceDeliversTheCamerasPictures) {
  RunScenario("QuilDeviceDeliversTheCamerasPictures", "");
}
TEST(InScenario, QuilDeviceDeliversTheCamerasPictures) {
  IN_SCENARIO();
  quilcam::QuilCamera camera;
  quilcam::CameraSettings settings = camera.settings();
  settings.framesPerSecond = 25;
  camera.Configure(settings);
  quilcam::CameraServer server(&camera);
  ASSERT_TRUE(server.Start(0x7F000001, 0, 0));
  IniCamera listed = kQuilListed;
  listed.webport = server.webPort();
  WriteIni(Ini({listed}));
  Registered devices;

  webcam::CaptureGraph graph;
  ASSERT_EQ(S_OK, graph.Open(CameraString(listed).c_str()));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, graph.subtype());
  EXPECT_EQ(320, graph.width());
  EXPECT_EQ(240, graph.height());
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  // Upright and in colour once the first picture is decoded.
  ASSERT_TRUE(WaitUntil([&] {
    return ShowsPattern(graph.sink().LastFrame(), webcam::SampleFormat::kRgb32, 320, 240, 24);
  }));
  ASSERT_TRUE(graph.sink().WaitForFrames(20, 10000));
  ASSERT_TRUE(SUCCEEDED(graph.Stop()));
  ExpectAdjacentFromZero(graph.sink().Times());
  std::printf("[ figure ] quil device: %d samples at %.1f per second\n", graph.sink().Frames(),
              graph.sink().FramesPerSecond());
  EXPECT_GE(camera.record().streams, 1);

  // SetFormat on the connected pin reconnects it; the camera's own format comes back.
  IAMStreamConfig* config = nullptr;
  ASSERT_EQ(S_OK, graph.sourcePin()->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
  AM_MEDIA_TYPE* yuy2 = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps;
  ASSERT_EQ(S_OK, config->GetStreamCaps(1, &yuy2, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(S_OK, config->SetFormat(yuy2));
  dshow::DeleteMediaType(yuy2);
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, current->subtype);
  dshow::DeleteMediaType(current);
  config->Release();

  // A second run starts its time stamps from 0 again.
  graph.sink().Reset();
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  ASSERT_TRUE(graph.sink().WaitForFrames(3, 10000));
  graph.Stop();
  ExpectAdjacentFromZero(graph.sink().Times());
}

TEST(MirageCapture, QuilDeviceKeepsDeliveringWhenTheCameraSendsLargerPictures) {
  RunScenario("QuilDeviceKeepsDeliveringWhenTheCameraSendsLargerPictures", "");
}
TEST(InScenario, QuilDeviceKeepsDeliveringWhenTheCameraSendsLargerPictures) {
  IN_SCENARIO();
  quilcam::QuilCamera camera;
  quilcam::CameraSettings settings = camera.settings();
  settings.forcedWidth = 640;  // whatever the request's resolution asks for
  settings.forcedHeight = 480;
  settings.framesPerSecond = 25;
  camera.Configure(settings);
  quilcam::CameraServer server(&camera);
  ASSERT_TRUE(server.Start(0x7F000001, 0, 0));
  IniCamera listed = kQuilListed;
  listed.webport = server.webPort();
  WriteIni(Ini({listed}));
  Registered devices;

  webcam::CaptureGraph graph;
  ASSERT_EQ(S_OK, graph.Open(CameraString(listed).c_str()));
  EXPECT_EQ(320, graph.width());
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  ASSERT_TRUE(WaitUntil([&] {
    return ShowsPattern(graph.sink().LastFrame(), webcam::SampleFormat::kRgb32, 320, 240, 24);
  }));
  const int seen = graph.sink().Frames();
  ASSERT_TRUE(graph.sink().WaitForFrames(seen + 10, 10000));  // the stream goes on
  graph.Stop();
  EXPECT_GE(camera.record().framesSent, 2);
}

TEST(MirageCapture, OrvelDevicesConnectAtTheirStreamSize) {
  RunScenario("OrvelDevicesConnectAtTheirStreamSize",
              Ini({kOrvelListed, [] { IniCamera c = kOrvelListed; c.name = "dock"; return c; }(),
                   [] { IniCamera c = kOrvelListed; c.name = "pier"; return c; }()}));
}
TEST(InScenario, OrvelDevicesConnectAtTheirStreamSize) {
  IN_SCENARIO();
  NetClientStandin netclient;
  Registered devices;
  const std::wstring yard = L"Deviceorvel@127.0.0.3@yard", dock = L"Deviceorvel@127.0.0.3@dock",
                     pier = L"Deviceorvel@127.0.0.3@pier";
  {
    // 352 x 288: YUY2 at that size, the stand-in's frames packed.
    netclient.Switch("size_code", 1);
    webcam::CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Open(yard.c_str()));
    EXPECT_EQ(MEDIASUBTYPE_YUY2, graph.subtype());
    EXPECT_EQ(352, graph.width());
    EXPECT_EQ(288, graph.height());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(WaitUntil([&] {
      return ShowsPattern(graph.sink().LastFrame(), webcam::SampleFormat::kYuy2, 352, 288, 6);
    }));
    ASSERT_TRUE(graph.sink().WaitForFrames(10, 10000));
    graph.Stop();
    ExpectAdjacentFromZero(graph.sink().Times());
    std::printf("[ figure ] orvel device 352x288: %d samples at %.1f per second\n", graph.sink().Frames(),
                graph.sink().FramesPerSecond());
    // A pair of the red band, byte for byte: Y U Y V of the stand-in's own red.
    uint8_t y = 0, u = 0, v = 0;
    netclient_standin::RgbToYuv(255, 0, 0, &y, &u, &v);
    std::vector<uint8_t> frame = graph.sink().LastFrame();
    const size_t at = (5 * 352 + 176) * 2;
    EXPECT_EQ((std::vector<uint8_t>{y, u, y, v}), std::vector<uint8_t>(frame.begin() + at, frame.begin() + at + 4));
    const std::string log = netclient.Log();
    EXPECT_NE(std::string::npos, log.find("41(yard,127.0.0.3,0,admin,123456,ptr,3000)=1")) << log;
    netclient.ClearLog();
  }
  {
    // The graph let the filter go: the channel stopped its play (callback cleared, window
    // detached), then Rookery closed the camera's handle.
    const std::string closing = netclient.Log();
    const size_t stopped = closing.find(",0,ptr)=0\n9(");
    const size_t closed = closing.find("\n6(");
    EXPECT_NE(std::string::npos, stopped) << closing;
    EXPECT_NE(std::string::npos, closed) << closing;
    EXPECT_LT(stopped, closed) << closing;
  }
  {
    // 704 x 576.
    netclient.Switch("size_code", 3);
    webcam::CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Open(dock.c_str()));
    EXPECT_EQ(MEDIASUBTYPE_YUY2, graph.subtype());
    EXPECT_EQ(704, graph.width());
    EXPECT_EQ(576, graph.height());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(WaitUntil([&] {
      return ShowsPattern(graph.sink().LastFrame(), webcam::SampleFormat::kYuy2, 704, 576, 6);
    }));
    graph.Stop();
    std::printf("[ figure ] orvel device 704x576: %d samples at %.1f per second\n", graph.sink().Frames(),
                graph.sink().FramesPerSecond());
  }
  {
    // 176 x 144 is no offered size: nothing connects.
    netclient.Switch("size_code", 0);
    webcam::CaptureGraph graph;
    EXPECT_TRUE(FAILED(graph.Open(pier.c_str())));
  }
}

TEST(MirageCapture, OrvelChannelDropsFramesOfAnotherSizeAndFollowsPlayEvents) {
  RunScenario("OrvelChannelDropsFramesOfAnotherSizeAndFollowsPlayEvents", Ini({kOrvelListed}));
}
TEST(InScenario, OrvelChannelDropsFramesOfAnotherSizeAndFollowsPlayEvents) {
  IN_SCENARIO();
  NetClientStandin netclient;
  const std::wstring yard = CameraString(kOrvelListed);
  netclient.Switch("size_code", 1);
  mirage::CRealVideoChannel channel;
  EXPECT_EQ(1, channel.Open(yard.c_str()));
  EXPECT_EQ(352, channel.GetWidth());
  EXPECT_EQ(288, channel.GetHeight());
  EXPECT_EQ(0x32595559u, channel.GetCompression());

  // The camera's play then delivers 704 x 576: every frame is dropped and counted.
  netclient.Switch("size_code", 3);
  EXPECT_EQ(1, channel.Start(yard.c_str()));
  ASSERT_TRUE(WaitUntil([&] { return channel.DroppedFrames() >= 3; }));
  EXPECT_EQ(0, channel.Frames());
  std::vector<uint8_t> sample(352 * 288 * 2, 0x11);
  EXPECT_EQ(0, channel.GetFrame(sample.data(), static_cast<long>(sample.size()), 0x32595559u));
  EXPECT_EQ(0x11, sample[0]);
  EXPECT_NE(nullptr, channel.Window());
  EXPECT_FALSE(IsWindowVisible(channel.Window()));

  // A reconnection event re-attaches the window and the frame callback.
  const long real = GetCameraRealHandle(channel.PlayHandle());
  netclient.ClearLog();
  ASSERT_EQ(1, netclient.RaiseEvent(real, 1, 0));
  ASSERT_TRUE(WaitUntil([&] { return netclient.Log().find("11(") != std::string::npos; }));
  const std::string rearmed = netclient.Log();
  EXPECT_EQ(0u, rearmed.find("9(" + std::to_string(real) + ",ptr)=1\n11(" + std::to_string(real) + ",ptr,ptr)=1\n"))
      << rearmed;

  // A second Start stops the first play: callback cleared, window detached.
  netclient.ClearLog();
  EXPECT_EQ(1, channel.Start(yard.c_str()));
  const std::string restarted = netclient.Log();
  const std::string r = std::to_string(real);
  EXPECT_EQ(0u, restarted.find("11(" + r + ",0,ptr)=0\n9(" + r + ",0)=1\n")) << restarted;
  EXPECT_NE(std::string::npos, restarted.find("11(" + r + ",ptr,ptr)=1\n")) << restarted;
}

TEST(MirageCapture, CameraTypeOfAnotherCaseDeliversBlackThroughAGraph) {
  RunScenario("CameraTypeOfAnotherCaseDeliversBlackThroughAGraph",
              Ini({[] { IniCamera c; c.name = "hall"; c.type = "Quil"; return c; }()}));
}
TEST(InScenario, CameraTypeOfAnotherCaseDeliversBlackThroughAGraph) {
  IN_SCENARIO();
  Registered devices;
  webcam::CaptureGraph graph;
  ASSERT_EQ(S_OK, graph.Open(L"DeviceQuil@127.0.0.1@hall"));
  EXPECT_EQ(MEDIASUBTYPE_RGB32, graph.subtype());
  EXPECT_EQ(704, graph.width());
  EXPECT_EQ(576, graph.height());
  ASSERT_TRUE(SUCCEEDED(graph.Run()));
  ASSERT_TRUE(graph.sink().WaitForFrames(3, 10000));
  graph.Stop();
  std::vector<uint8_t> frame = graph.sink().LastFrame();
  EXPECT_EQ(704u * 576 * 4, frame.size());
  EXPECT_TRUE(AllZero(frame));
}

int main(int argc, char** argv) { return mirage_test::Main(argc, argv); }
