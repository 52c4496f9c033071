// viewer_standin --server 127.0.0.1:P --camera NAME --seconds N [--out DIR]:
// asks the rendezvous stand-in for a camera, watches its video and saves the frames.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "standin_args.h"
#include "peer_standin.h"
#include "watch_request.h"

namespace {

namespace wire = lantern::wire;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: viewer_standin --server 127.0.0.1:P --camera NAME --seconds N [--out DIR]\n"
               "  the server must be in 127.0.0.0/8; N: 1..86400, default 10\n");
  return 2;
}

// Written by the receive thread, read at the end.
struct FrameWriter {
  std::mutex mu;
  std::filesystem::path dir;  // empty: frames are not saved
  unsigned next = 1;
  unsigned failures = 0;
  Clock::time_point first, last;

  void Write(const standins::AssembledFrame& frame) {
    std::lock_guard<std::mutex> lock(mu);
    const Clock::time_point now = Clock::now();
    if (next == 1) first = now;
    last = now;
    const unsigned index = next++;
    if (dir.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04u.jpg", index);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(frame.jpeg.data()),
              static_cast<std::streamsize>(frame.jpeg.size()));
    if (!out) ++failures;
  }
};

}  // namespace

int main(int argc, char** argv) {
  lantern::NetAddress server;
  bool haveServer = false;
  std::string camera;
  long seconds = 10;
  std::string outDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::string value = i + 1 < argc ? argv[i + 1] : "";
    if (arg == "--server") {
      if (!standins::ParseLoopbackAddress(value, &server)) {
        std::fprintf(stderr, "viewer_standin: refusing server \"%s\": only 127.0.0.0/8 with a port\n",
                     value.c_str());
        return 2;
      }
      haveServer = true;
      ++i;
    } else if (arg == "--camera" && !value.empty()) {
      camera = value;
      ++i;
    } else if (arg == "--seconds" && standins::ParseBounded(value, 1, 86400, &seconds)) {
      ++i;
    } else if (arg == "--out" && !value.empty()) {
      outDir = value;
      ++i;
    } else {
      return Usage();
    }
  }
  if (!haveServer || camera.empty()) return Usage();

  FrameWriter writer;
  if (!outDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
      std::fprintf(stderr, "viewer_standin: cannot create %s\n", outDir.c_str());
      return 1;
    }
    writer.dir = outDir;
  }

  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  standins::PeerStandin peer;
  peer.SetRecordLimit(1000);  // counts stay exact; only the kept history is short
  peer.SetFrameSink([&writer](const standins::AssembledFrame& f) { writer.Write(f); });
  if (!peer.Start()) {
    std::fprintf(stderr, "viewer_standin: cannot open a UDP socket on 127.0.0.1\n");
    return 1;
  }

  // Asks repeat once a second, so a lost datagram or a late camera only delays the start.
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(seconds);
  const auto kRepeat = std::chrono::seconds(1);
  auto nextWatch = start;
  auto nextStartVideo = start;
  std::optional<lantern::NetAddress> cameraAt;
  while (!g_interrupted && Clock::now() < deadline) {
    const auto now = Clock::now();
    if (!cameraAt) cameraAt = peer.CameraAddress();
    if (!cameraAt) {
      if (now >= nextWatch) {
        peer.SendRaw(standins::EncodeWatchRequest(camera), server);
        nextWatch = now + kRepeat;
      }
    } else if (peer.Count(wire::kVideoData) == 0 && now >= nextStartVideo) {
      peer.Send(wire::kStartVideoReq, *cameraAt);
      nextStartVideo = now + kRepeat;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (cameraAt) {
    peer.Send(wire::kStopVideoReq, *cameraAt);
    peer.Send(wire::kDisConnectReq, *cameraAt);
  }
  peer.Stop();

  const standins::FrameStats stats = peer.Stats();
  double fps = 0.0;
  {
    std::lock_guard<std::mutex> lock(writer.mu);
    const double span = std::chrono::duration<double>(writer.last - writer.first).count();
    if (stats.completed >= 2 && span > 0) fps = static_cast<double>(stats.completed - 1) / span;
    if (writer.failures > 0) {
      std::fprintf(stderr, "viewer_standin: %u frame files could not be written\n", writer.failures);
    }
  }
  std::printf("frames=%llu fps=%.1f lost=%llu retransmissions=%llu bytes=%llu\n",
              static_cast<unsigned long long>(stats.completed), fps,
              static_cast<unsigned long long>(stats.lost),
              static_cast<unsigned long long>(stats.duplicates),
              static_cast<unsigned long long>(stats.bytes));
  return 0;
}
