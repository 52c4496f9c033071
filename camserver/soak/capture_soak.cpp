// Reliability run of a capture camera: the stand-in webcam published to a stand-in
// rendezvous server in this process, watched by stand-in viewers on lossy links that a
// native program beside it runs (lantern_soak_viewers), all on 127.0.0.1. Every report
// interval it prints, per viewer, the frames sent and completed, and the retransmissions,
// sessions the camera lost (and why), and this process's private bytes and handle count. At
// the end it checks that no viewer starved, that lost sessions came back and were not lost
// again in the next interval, and that memory and handles stayed flat after the warm-up; the
// exit code says whether they did. camserver/soak/run_soak.sh starts the two.
//
//   lantern_capture_soak --viewers-at PORT [--seconds 600] [--report 30]
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cap_virtual_camera.h"
#include "capture_devices.h"
#include "process_figures.h"
#include "protocol.h"
#include "rendezvous_standin.h"
#include "testcam/test_camera.h"
#include "viewers_control.h"
#include "virtual_camera_mgr.h"

namespace {

namespace wire = lantern::wire;
using lantern::NetAddress;
using namespace soak;
using Clock = std::chrono::steady_clock;

struct Sample {
  int second = 0;
  uint64_t privateBytes = 0;
  uint32_t handles = 0;
};

Sample TakeSample(int second) {
  ProcessFigures f = ReadProcessFigures();
  return Sample{second, f.privateBytes, f.handles};
}

struct Options {
  int seconds = 600;
  int report = 30;
  int viewersAt = 0;  // control port of the viewers' program
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--seconds") o->seconds = std::atoi(value);
    else if (key == "--report") o->report = std::atoi(value);
    else if (key == "--viewers-at") o->viewersAt = std::atoi(value);
    else return false;
  }
  return (argc % 2) == 1 && o->seconds > 0 && o->report > 0 && o->viewersAt > 0 && o->viewersAt < 65536;
}

template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The stand-in webcam, registered for this run and removed afterwards.
class TestWebcam {
 public:
  bool Register() {
    module_ = LoadLibraryW(testcam::kFileName);
    if (module_ == nullptr) return false;
    auto add = Fn<decltype(&RegisterTestCamera)>("RegisterTestCamera");
    auto scene = Fn<decltype(&SetTestCameraScene)>("SetTestCameraScene");
    return add != nullptr && scene != nullptr && add(nullptr, nullptr) == S_OK && scene(0) == S_OK;
  }
  ~TestWebcam() {
    if (module_ == nullptr) return;
    if (auto remove = Fn<decltype(&UnregisterTestCamera)>("UnregisterTestCamera")) remove(nullptr);
    FreeLibrary(module_);
  }
  static int DeviceIndex() {
    for (int i = 0; i < lantern::GetCaptureDeviceCount(); ++i) {
      const char* display = nullptr;
      const char* friendly = nullptr;
      if (lantern::GetCaptureDeviceNames(i, &display, &friendly) &&
          std::string(friendly) == "Lookout Test Camera")
        return i;
    }
    return -1;
  }

 private:
  template <typename F>
  F Fn(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HMODULE module_ = nullptr;
};

// Announces the viewer until its session is connected: both directions lose datagrams.
bool Connect(standins::RendezvousStandin& server, lantern::CVirtualCamera& camera,
             const NetAddress& cameraAddress, uint16_t viewerPort) {
  const std::string key = NetAddress{standins::kLoopbackIp, viewerPort}.Text();
  for (int attempt = 0; attempt < 40; ++attempt) {
    server.SendSessionNotify(cameraAddress, "127.0.0.1", viewerPort);
    if (WaitUntil([&] {
          bool connected = false, video = false;
          return camera.SessionState(key, &connected, &video) && connected;
        }, 500))
      return true;
  }
  return false;
}

std::string Mib(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f MiB", bytes / 1048576.0);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: lantern_capture_soak --viewers-at PORT [--seconds N] [--report N]\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);

  int status = 1;
  {
    ViewersControl remote;
    std::vector<std::string> hello;
    if (!remote.Open(static_cast<uint16_t>(options.viewersAt)) || (hello = remote.Ask("hello")).size() < 3 ||
        hello[0] != "viewers") {
      std::printf("FAIL: the viewers' program does not answer on port %d\n", options.viewersAt);
      return 1;
    }
    const size_t viewerCount = hello.size() - 2;
    TestWebcam webcam;
    if (!webcam.Register()) {
      std::printf("FAIL: the stand-in webcam %ls cannot be registered\n", testcam::kFileName);
      return 1;
    }
    const int device = TestWebcam::DeviceIndex();
    standins::RendezvousStandin server;
    server.SetRecordLimit(64);
    if (device < 0 || !server.Start()) {
      std::printf("FAIL: no stand-in webcam device or no stand-in server\n");
      return 1;
    }
    lantern::VirtualCameraMgr::SetServer("127.0.0.1", server.Port());
    const char* name = "{SOAK-CAPTURE-CAMERA}";
    auto* camera = dynamic_cast<lantern::CCapVirtualCamera*>(
        static_cast<lantern::CVirtualCamera*>(lantern::VirtualCameraMgr::Instance().Create(name, device, "127.0.0.1", 2)));
    NetAddress cameraAddress;
    if (camera != nullptr) {
      WaitUntil([&] { return camera->IsRegistered(); }, 10000);
      if (auto a = server.CameraAddress(name)) cameraAddress = *a;
    }
    if (camera == nullptr || !camera->captureStarted() || !camera->IsRegistered()) {
      std::printf("FAIL: the capture camera did not start and register\n");
      lantern::VirtualCameraMgr::Destroy();
      return 1;
    }

    // Every viewer connects first, then all ask for video.
    std::vector<uint16_t> ports;
    for (size_t i = 0; i < viewerCount; ++i) {
      const uint16_t port = static_cast<uint16_t>(std::atoi(hello[2 + i].c_str()));
      ports.push_back(port);
      if (!Connect(server, *camera, cameraAddress, port)) {
        std::printf("FAIL: viewer %zu could not connect (%zu sessions)\n", i + 1, camera->SessionCount());
        lantern::VirtualCameraMgr::Destroy();
        return 1;
      }
    }
    std::vector<std::vector<uint64_t>> counts;
    const bool videoOn =
        remote.Ask("start " + cameraAddress.IpText() + " " + std::to_string(cameraAddress.port)).size() == 1 &&
        WaitUntil([&] {
          if (!remote.Counts(viewerCount, &counts)) return false;
          for (const auto& c : counts)
            if (c[kVideo] == 0) return false;
          return true;
        }, 120000);
    if (!videoOn) {
      std::printf("FAIL: not every viewer's video started\n");
      lantern::VirtualCameraMgr::Destroy();
      return 1;
    }
    std::printf("soak: %zu viewers on lossy links, %d s, reports every %d s\n", viewerCount, options.seconds,
                options.report);

    // A session the camera dropped is announced again, as the server does when the viewer
    // asks for the camera again; the viewer then asks for video by itself.
    std::vector<uint64_t> lostSessions(viewerCount, 0);
    std::vector<uint64_t> lostBefore(viewerCount, 0);  // at the previous report
    bool lostInPreviousInterval = false;
    std::vector<bool> present(viewerCount, true);
    auto keepSessions = [&] {
      for (size_t i = 0; i < viewerCount; ++i) {
        bool connected = false, video = false;
        const bool exists =
            camera->SessionState(NetAddress{standins::kLoopbackIp, ports[i]}.Text(), &connected, &video);
        if (!exists && present[i]) ++lostSessions[i];
        present[i] = exists;
        if (!exists || !connected) server.SendSessionNotify(cameraAddress, "127.0.0.1", ports[i]);
      }
    };

    const auto start = Clock::now();
    std::vector<Sample> samples;
    std::vector<std::vector<std::vector<uint64_t>>> history;  // per report, per viewer
    std::vector<std::string> failures;
    for (int second = options.report; second <= options.seconds; second += options.report) {
      const auto due = start + std::chrono::seconds(second);
      while (Clock::now() < due) {
        keepSessions();
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(500), due - Clock::now()));
      }
      Sample sample = TakeSample(second);
      samples.push_back(sample);
      if (!remote.Counts(viewerCount, &counts)) {
        failures.push_back("the viewers' program stopped answering at " + std::to_string(second) + " s");
        break;
      }
      std::vector<uint64_t> completedNow;
      std::vector<bool> reestablished(viewerCount, false);
      uint64_t resends = 0, lost = 0, lostNow = 0;
      std::string perViewer;
      for (size_t i = 0; i < viewerCount; ++i) {
        const uint64_t before = history.empty() ? 0 : history.back()[i][kCompleted];
        completedNow.push_back(counts[i][kCompleted] - before);
        resends += counts[i][kResent];
        lost += lostSessions[i];
        reestablished[i] = lostSessions[i] != lostBefore[i];
        lostNow += lostSessions[i] - lostBefore[i];
        lostBefore[i] = lostSessions[i];
        char item[48];
        std::snprintf(item, sizeof item, " %zu:%llu/%llu", i + 1, static_cast<unsigned long long>(counts[i][kSent]),
                      static_cast<unsigned long long>(counts[i][kCompleted]));
        perViewer += item;
      }
      history.push_back(counts);
      std::printf("[%4d s] private %s, handles %u, sessions %zu, camera frames %u, retransmissions %llu, "
                  "sessions lost %llu (camera: %llu for server silence, %llu for peer silence)\n"
                  "         frames sent/completed per viewer:%s\n",
                  second, Mib(sample.privateBytes).c_str(), sample.handles, camera->SessionCount(),
                  camera->FrameCounter(), static_cast<unsigned long long>(resends),
                  static_cast<unsigned long long>(lost),
                  static_cast<unsigned long long>(camera->SessionsDroppedForServerSilence()),
                  static_cast<unsigned long long>(camera->SessionsDroppedForPeerSilence()), perViewer.c_str());
      if (lostNow > 0 && lostInPreviousInterval)
        failures.push_back("sessions were lost again in the interval ending at " + std::to_string(second) + " s");
      lostInPreviousInterval = lostNow > 0;
      // Starved: a viewer that completed nothing, or under half of what the median viewer
      // completed, in this interval. A viewer whose session was lost and set up again in the
      // interval lost part of it legitimately and is judged in the next one.
      std::vector<uint64_t> sorted = completedNow;
      std::sort(sorted.begin(), sorted.end());
      const uint64_t median = sorted[sorted.size() / 2];
      for (size_t i = 0; i < completedNow.size(); ++i) {
        if (reestablished[i]) {
          std::printf("         viewer %zu: session set up again, %llu frames (median %llu), not judged\n", i + 1,
                      static_cast<unsigned long long>(completedNow[i]), static_cast<unsigned long long>(median));
          continue;
        }
        if (completedNow[i] == 0 || completedNow[i] * 2 < median)
          failures.push_back("viewer " + std::to_string(i + 1) + " starved in the interval ending at " +
                             std::to_string(second) + " s (" + std::to_string(completedNow[i]) +
                             " frames, median " + std::to_string(median) + ")");
      }
    }

    // A session lost late in the run must still come back.
    if (lostInPreviousInterval) {
      auto lastAnnounce = Clock::now() - std::chrono::seconds(1);
      const bool back = WaitUntil([&] {
        if (Clock::now() - lastAnnounce >= std::chrono::milliseconds(500)) {
          lastAnnounce = Clock::now();
          keepSessions();
        }
        for (size_t i = 0; i < viewerCount; ++i) {
          bool connected = false, video = false;
          if (!camera->SessionState(NetAddress{standins::kLoopbackIp, ports[i]}.Text(), &connected, &video) ||
              !connected || !video)
            return false;
        }
        return true;
      }, 20000);
      if (!back) failures.push_back("a session lost in the last interval did not come back with video");
    }

    // Checks. Memory and handles are compared with the sample at the end of the warm-up:
    // the first minute, or the first half of a shorter run.
    uint64_t sent = 0, completed = 0, fragments = 0, resends = 0, dropped = 0;
    if (!history.empty()) {
      for (const auto& c : history.back()) {
        sent += c[kSent];
        completed += c[kCompleted];
        fragments += c[kFragments];
        resends += c[kResent];
        dropped += c[kDropped];
      }
    }
    std::printf("total: %u frames encoded (%.2f per second), %.1f fragments per frame; %llu of %llu frames "
                "sent to viewers completed (%.1f%%); %.2f retransmissions per fragment; %llu datagrams lost "
                "on the links\n",
                camera->FrameCounter(), camera->FrameCounter() / static_cast<double>(options.seconds),
                sent ? static_cast<double>(fragments) / sent : 0.0, static_cast<unsigned long long>(completed),
                static_cast<unsigned long long>(sent), sent ? 100.0 * completed / sent : 0.0,
                fragments ? static_cast<double>(resends) / fragments : 0.0,
                static_cast<unsigned long long>(dropped));
    const int warmUp = std::min(60, options.seconds / 2);
    const Sample* base = nullptr;
    for (const Sample& s : samples)
      if (s.second <= warmUp) base = &s;
    if (base == nullptr && !samples.empty()) base = &samples.front();
    for (const Sample& s : samples) {
      if (base == nullptr || s.second <= base->second) continue;
      const uint64_t allowed = base->privateBytes + std::max<uint64_t>(2u << 20, base->privateBytes / 20);
      if (s.privateBytes > allowed)
        failures.push_back("private bytes grew to " + Mib(s.privateBytes) + " at " + std::to_string(s.second) +
                           " s from " + Mib(base->privateBytes));
      if (s.handles > base->handles + 8)
        failures.push_back("handles grew to " + std::to_string(s.handles) + " at " +
                           std::to_string(s.second) + " s from " + std::to_string(base->handles));
    }

    lantern::VirtualCameraMgr::Destroy();
    server.Stop();
    for (const std::string& f : failures) std::printf("FAIL: %s\n", f.c_str());
    if (failures.empty()) std::printf("PASS: no viewer starved, memory and handles flat\n");
    status = failures.empty() ? 0 : 1;
  }
  CoUninitialize();
  WSACleanup();
  return status;
}
