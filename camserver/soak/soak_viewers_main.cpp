// The soak run's stand-in viewers, as a native program beside the camera's Windows process:
// their sockets then cost the camera's Wine server nothing, and the camera's process holds
// only the camera. Driven over a text control channel on 127.0.0.1 (one datagram each way):
//   hello                  -> viewers N PORT...
//   start HOST_IP PORT     -> ok   (from then on a viewer without video asks for it)
//   counts                 -> counts then per viewer: SENT DONE RESENT LOST FRAGMENTS DROPPED VIDEO
//                             (VIDEO: 1 when video came in the last 3 s)
//   quit                   -> bye
//
//   lantern_soak_viewers --control-file PATH [--viewers 16] [--drop 0.05] [--seed 1]
//                        [--max-seconds 1200]
// The control port goes to the file once the program is ready.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "lossy_viewer.h"
#include "protocol.h"
#include "udp_endpoint.h"

namespace {

namespace wire = lantern::wire;
using Clock = std::chrono::steady_clock;
constexpr int kVideoGapMs = 3000;  // about 18 frame passes without video

struct Options {
  std::string controlFile;
  int viewers = 16;
  double drop = 0.05;
  uint32_t seed = 1;
  int maxSeconds = 1200;
};

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--control-file") o->controlFile = value;
    else if (key == "--viewers") o->viewers = std::atoi(value);
    else if (key == "--drop") o->drop = std::atof(value);
    else if (key == "--seed") o->seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    else if (key == "--max-seconds") o->maxSeconds = std::atoi(value);
    else return false;
  }
  return argc % 2 == 1 && !o->controlFile.empty() && o->viewers > 0 && o->viewers <= 64 && o->drop >= 0 &&
         o->drop < 1 && o->maxSeconds > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) {
    std::fprintf(stderr, "usage: lantern_soak_viewers --control-file PATH [--viewers N] [--drop SHARE] "
                         "[--seed N] [--max-seconds N]\n");
    return 2;
  }
  standins::UdpEndpoint control;
  if (!control.Open(0)) return 1;
  std::vector<std::unique_ptr<soak::LossyViewer>> viewers;
  for (int i = 0; i < options.viewers; ++i) {
    viewers.push_back(std::make_unique<soak::LossyViewer>(options.drop, options.seed * 7919u + static_cast<uint32_t>(i)));
    if (!viewers.back()->Start()) return 1;
  }
  {
    FILE* f = std::fopen(options.controlFile.c_str(), "w");
    if (f == nullptr) return 1;
    std::fprintf(f, "%u\n", static_cast<unsigned>(control.Port()));
    std::fclose(f);
  }

  const auto end = Clock::now() + std::chrono::seconds(options.maxSeconds);
  bool started = false;
  lantern::NetAddress camera;
  auto lastAsk = Clock::now();
  while (Clock::now() < end) {
    // A viewer without video asks for it about three times a second: at the start, and after
    // the camera lost its session and the server announced it again.
    if (started && Clock::now() - lastAsk > std::chrono::milliseconds(300)) {
      lastAsk = Clock::now();
      for (auto& v : viewers)
        if (!v->VideoWithin(kVideoGapMs)) v->Send(wire::kStartVideoReq, camera);
    }
    std::optional<standins::ReceivedDatagram> d = control.Receive(100);
    if (!d) continue;
    std::istringstream in(std::string(d->bytes.begin(), d->bytes.end()));
    std::string command;
    in >> command;
    std::ostringstream out;
    if (command == "hello") {
      out << "viewers " << viewers.size();
      for (auto& v : viewers) out << ' ' << v->Address().port;
    } else if (command == "start") {
      std::string ip;
      unsigned port = 0;
      in >> ip >> port;
      uint32_t address = 0;
      if (!lantern::ParseDottedIp(ip, &address) || port == 0 || port > 65535) {
        out << "error";
      } else {
        camera = {address, static_cast<uint16_t>(port)};
        started = true;
        out << "ok";
      }
    } else if (command == "counts") {
      out << "counts";
      for (auto& v : viewers) {
        soak::ViewerCounts c = v->Counts();
        out << ' ' << c.framesSent << ' ' << c.framesCompleted << ' ' << c.retransmissions << ' '
            << c.disconnects << ' ' << c.fragments << ' ' << c.dropped << ' '
            << (v->VideoWithin(kVideoGapMs) ? 1 : 0);
      }
    } else if (command == "quit") {
      control.SendTo(std::string("bye").data(), 3, d->from);
      break;
    } else {
      out << "error";
    }
    const std::string reply = out.str();
    control.SendTo(reply.data(), reply.size(), d->from);
  }
  for (auto& v : viewers) v->Stop();
  return 0;
}
