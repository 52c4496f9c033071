// rendezvous_standin --port P [--seconds N]: a loopback rendezvous server for the demo.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "standin_args.h"
#include "rendezvous_standin.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

int Usage() {
  std::fprintf(stderr, "usage: rendezvous_standin --port P [--seconds N]\n"
                       "  P: UDP port on 127.0.0.1 (0 picks one); N: 1..86400, default 600\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long port = -1;
  long seconds = 600;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::string value = i + 1 < argc ? argv[i + 1] : "";
    if (arg == "--port" && standins::ParseBounded(value, 0, 65535, &port)) {
      ++i;
    } else if (arg == "--seconds" && standins::ParseBounded(value, 1, 86400, &seconds)) {
      ++i;
    } else {
      return Usage();
    }
  }
  if (port < 0) return Usage();

  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  standins::RendezvousStandin server;
  server.SetRecordLimit(1000);  // the demo only prints; keep memory flat over long runs
  server.SetEventSink([](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
  if (!server.Start(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "rendezvous_standin: cannot bind 127.0.0.1:%ld\n", port);
    return 1;
  }
  std::printf("listening on %s for %ld s\n", server.Address().Text().c_str(), seconds);
  std::fflush(stdout);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_interrupted && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  server.Stop();
  return 0;
}
