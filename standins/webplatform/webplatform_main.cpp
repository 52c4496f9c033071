// webplatform_standin [--port P] [--seconds N] [--rendezvous TEXT] [--user MOBILE:PASSWORD]...
// [--binding CAMERA:MOBILE]...: the stand-in web platform on 127.0.0.1 for the demo and the
// benchmark. Prints "listening 127.0.0.1:<port>", then one line per request.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "standin_args.h"
#include "web_server.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: webplatform_standin [--port P] [--seconds N] [--rendezvous TEXT]\n"
               "                           [--user MOBILE:PASSWORD]... [--binding CAMERA:MOBILE]...\n"
               "  P: TCP port on 127.0.0.1 (0, the default, picks one); N: 1..86400, default 600\n");
  return 2;
}

bool Split(const std::string& text, std::string* a, std::string* b) {
  size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
  *a = text.substr(0, colon);
  *b = text.substr(colon + 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long port = 0;
  long seconds = 600;
  standins::web::WebPlatformServer server;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    std::string a, b;
    if (arg == "--port" && standins::ParseBounded(value, 0, 65535, &port)) {
    } else if (arg == "--seconds" && standins::ParseBounded(value, 1, 86400, &seconds)) {
    } else if (arg == "--rendezvous" && !value.empty()) {
      server.WithStore([&](standins::web::PlatformStore& s) { s.rendezvous = value; });
    } else if (arg == "--user" && Split(value, &a, &b)) {
      server.WithStore([&](standins::web::PlatformStore& s) { s.AddUser(a, b); });
    } else if (arg == "--binding" && Split(value, &a, &b)) {
      server.WithStore([&](standins::web::PlatformStore& s) { s.bindings[a] = b; });
    } else {
      return Usage();
    }
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  server.OnRequest([](const std::string& target) {
    std::printf("GET %s\n", target.c_str());
    std::fflush(stdout);
  });
  if (!server.Start(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "webplatform_standin: cannot listen on 127.0.0.1:%ld\n", port);
    return 1;
  }
  std::printf("listening %s\n", server.HostText().c_str());
  std::fflush(stdout);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_interrupted && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  server.Stop();
  return 0;
}
