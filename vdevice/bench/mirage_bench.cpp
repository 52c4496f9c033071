// Mirage's speed figures under Wine (not a test): YUY2 packing of 704x576, the RGB32 fill
// of a 320x240 sample and the orvel channel's YUY2 fill, each as the median of many runs;
// then samples per second through a capture graph for each channel. Runs in a directory
// holding Mirage.ax, Rookery.dll, NetClient.dll and Orvelgate.dll; it writes the camera
// list there itself, for a stand-in quil camera it serves on loopback and the NetClient
// stand-in's camera.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "capture_graph.h"
#include "netclient_standin.h"
#include "quil_video_channel.h"
#include "quilcam_camera.h"
#include "quilcam_server.h"
#include "real_video_channel.h"
#include "yuy2_packer.h"

namespace {

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = NowMs();
    work();
    times.push_back(NowMs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

std::wstring Directory() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

HRESULT CallMirage(const char* name) {
  HMODULE module = LoadLibraryW(L"Mirage.ax");
  auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return fn != nullptr ? fn() : E_NOTIMPL;
}

void CaptureRate(const wchar_t* device, const char* label) {
  webcam::CaptureGraph graph;
  if (FAILED(graph.Open(device)) || FAILED(graph.Run())) {
    std::printf("bench: %s: the capture graph did not run\n", label);
    return;
  }
  // Timed from the first sample on, over about 5 s.
  graph.sink().WaitForFrames(1, 10000);
  Sleep(5000);
  graph.Stop();
  std::printf("bench: capture graph, %s (%dx%d): %d samples at %.1f per second\n", label, graph.width(),
              graph.height(), graph.sink().Frames(), graph.sink().FramesPerSecond());
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  constexpr int kRuns = 300;

  // YUY2 packing alone.
  {
    const int w = 704, h = 576;
    std::vector<uint8_t> frame(mirage::PlanarFrameSize(w, h)), out(static_cast<size_t>(w) * h * 2);
    std::mt19937 rng(1);
    for (auto& b : frame) b = static_cast<uint8_t>(rng());
    const double ms = MedianMs(kRuns, [&] { mirage::PackYuy2(frame.data(), w, h, out.data()); });
    std::printf("bench: YUY2 packing 704x576: median %.3f ms (%d runs)\n", ms, kRuns);
  }

  quilcam::QuilCamera camera;
  quilcam::CameraSettings settings = camera.settings();
  settings.framesPerSecond = 25;
  camera.Configure(settings);
  quilcam::CameraServer server(&camera);
  if (!server.Start(0x7F000001, 0, 0)) {
    std::printf("bench: the stand-in quil camera did not start\n");
    return 1;
  }
  std::ofstream((Directory() + L"DoderadIrava.ini").c_str(), std::ios::binary)
      << "[system]\r\nCameraNumber=2\r\nCameraIDList=0000#0001#\r\n"
      << "[Camera0]\r\nsername=bench\r\nurl=127.0.0.1\r\ncameratype=quil\r\nusername=admin\r\n"
      << "userpassword=123456\r\nwebport=" << server.webPort() << "\r\n"
      << "[Camera1]\r\nsername=bench\r\nurl=127.0.0.2\r\ncameratype=orvel\r\n"
      << "[orvel]\r\nCameraDllName=Orvelgate.dll\r\n";
  const wchar_t* quil = L"Devicequil@127.0.0.1@bench";
  const wchar_t* orvel = L"Deviceorvel@127.0.0.2@bench";
  HMODULE netclient = LoadLibraryW(L"NetClient.dll");
  auto setSwitch = reinterpret_cast<NCS_SetSwitchProc>(
      reinterpret_cast<void*>(GetProcAddress(netclient, MAKEINTRESOURCEA(1003))));
  if (setSwitch != nullptr) setSwitch("size_code", 3);  // 704 x 576

  // The RGB32 fill of one sample: zeroing it, then the channel's copy of its picture.
  {
    mirage::CQuilVideoChannel channel;
    channel.Open(quil);
    channel.Start(quil);
    if (WaitFor([&] { return channel.Pictures() > 0; }, 10000)) {
      std::vector<uint8_t> sample(320 * 240 * 4);
      int written = 0;
      const double ms = MedianMs(kRuns, [&] {
        std::fill(sample.begin(), sample.end(), 0);
        written += channel.GetFrame(sample.data(), static_cast<long>(sample.size()), 0);
      });
      std::printf("bench: RGB32 fill of a 320x240 sample: median %.3f ms (%d runs, %d with a picture)\n", ms,
                  kRuns, written);
    } else {
      std::printf("bench: no picture from the stand-in quil camera\n");
    }
  }
  // The orvel channel's fill: its frame packed into a 704x576 YUY2 sample.
  {
    mirage::CRealVideoChannel channel;
    channel.Open(orvel);
    channel.Start(orvel);
    if (WaitFor([&] { return channel.Frames() > 0; }, 10000)) {
      std::vector<uint8_t> sample(704 * 576 * 2);
      int written = 0;
      const double ms = MedianMs(kRuns, [&] {
        std::fill(sample.begin(), sample.end(), 0);
        written += channel.GetFrame(sample.data(), static_cast<long>(sample.size()), 0);
      });
      std::printf("bench: YUY2 fill of a 704x576 sample (orvel channel): median %.3f ms (%d runs, %d with a frame)\n",
                  ms, kRuns, written);
    } else {
      std::printf("bench: no frame from the NetClient stand-in\n");
    }
  }

  // Samples per second through a capture graph, as a webcam program sees them.
  if (FAILED(CallMirage("DllRegisterServer"))) {
    std::printf("bench: Mirage.ax did not register\n");
    return 1;
  }
  CaptureRate(quil, "quil device");
  CaptureRate(orvel, "orvel device");
  CallMirage("DllUnregisterServer");
  CoUninitialize();
  return 0;
}
