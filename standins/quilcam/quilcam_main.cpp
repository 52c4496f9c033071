// quilcam_responder: one or several stand-in quil cameras answering LAN search requests.
// Runs natively inside the test's camera network namespace. It answers only requests from
// the given test subnet, refuses to start where any interface lies outside that subnet, and
// ends after --max-seconds or --max-answers.
//
// Control datagrams (UDP, --control-port, from the test subnet), each answered to the sender:
//   PING              -> PONG
//   SET <cameras>     -> OK <count>   (cameras as in quilcam_answer.h; "SET" alone: silence)
//   COUNT             -> REQUESTS <requests seen> <source port of the last request>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "quilcam_answer.h"

namespace {

struct Options {
  uint32_t subnet = 0;  // host order
  uint32_t subnetMask = 0;
  uint16_t searchPort = 10000;
  uint16_t controlPort = 10001;
  int maxSeconds = 120;
  long maxAnswers = 20000;
  std::string cameras;
};

bool ParseSubnet(const std::string& text, Options* o) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  uint8_t a[4];
  if (!quilcam::ParseDotted(text.substr(0, slash), a)) return false;
  int bits = std::atoi(text.c_str() + slash + 1);
  if (bits < 8 || bits > 32) return false;
  o->subnetMask = bits == 32 ? 0xFFFFFFFFu : ~((1u << (32 - bits)) - 1);
  o->subnet = ((uint32_t(a[0]) << 24) | (a[1] << 16) | (a[2] << 8) | a[3]) & o->subnetMask;
  return true;
}

bool InSubnet(const Options& o, uint32_t hostOrder) { return (hostOrder & o.subnetMask) == o.subnet; }

// Every IPv4 interface address must be loopback or inside the test subnet.
bool InsideTestNamespace(const Options& o) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool ok = true;
  for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    uint32_t a = ntohl(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    if ((a >> 24) != 127 && !InSubnet(o, a)) {
      std::fprintf(stderr, "quilcam: interface %s is outside the test subnet\n", i->ifa_name);
      ok = false;
    }
  }
  freeifaddrs(list);
  return ok;
}

int OpenUdp(uint16_t port) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return -1;
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(s);
    return -1;
  }
  return s;
}

void Reply(int s, const sockaddr_in& to, const std::string& text) {
  sendto(s, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

int Usage() {
  std::fprintf(stderr,
               "usage: quilcam_responder --subnet A.B.C.D/N [--search-port P] [--control-port P]\n"
               "       [--max-seconds S] [--max-answers N] [--cameras SPEC]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  bool haveSubnet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (a == "--subnet") haveSubnet = ParseSubnet(next(), &o);
    else if (a == "--search-port") o.searchPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--control-port") o.controlPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--max-seconds") o.maxSeconds = std::atoi(next().c_str());
    else if (a == "--max-answers") o.maxAnswers = std::atol(next().c_str());
    else if (a == "--cameras") o.cameras = next();
    else return Usage();
  }
  if (!haveSubnet || o.maxSeconds <= 0 || o.maxSeconds > 3600 || o.maxAnswers <= 0) return Usage();
  if (!InsideTestNamespace(o)) {
    std::fprintf(stderr, "quilcam: refusing to run outside a test network namespace\n");
    return 3;
  }
  std::vector<quilcam::CameraSpec> cameras;
  std::string error;
  if (!quilcam::ParseCameras(o.cameras, &cameras, &error)) {
    std::fprintf(stderr, "quilcam: %s\n", error.c_str());
    return 2;
  }
  int search = OpenUdp(o.searchPort), control = OpenUdp(o.controlPort);
  if (search < 0 || control < 0) {
    std::perror("quilcam: bind");
    return 1;
  }
  std::fprintf(stderr, "quilcam: ready on %u, control %u\n", o.searchPort, o.controlPort);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.maxSeconds);
  long answers = 0, requests = 0;
  unsigned lastSourcePort = 0;
  std::vector<uint8_t> buffer(65536);
  while (std::chrono::steady_clock::now() < deadline && answers < o.maxAnswers) {
    pollfd fds[2] = {{search, POLLIN, 0}, {control, POLLIN, 0}};
    if (poll(fds, 2, 200) <= 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (!(fds[k].revents & POLLIN)) continue;
      sockaddr_in from = {};
      socklen_t fromLength = sizeof from;
      ssize_t n = recvfrom(fds[k].fd, buffer.data(), buffer.size(), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (n < 0 || !InSubnet(o, ntohl(from.sin_addr.s_addr))) continue;
      if (fds[k].fd == search) {
        if (!quilcam::IsSearchRequest(buffer.data(), static_cast<size_t>(n))) continue;
        ++requests;
        lastSourcePort = ntohs(from.sin_port);
        for (const quilcam::CameraSpec& c : cameras) {
          std::vector<uint8_t> answer = quilcam::BuildAnswer(c);
          sendto(search, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
          ++answers;
        }
        continue;
      }
      std::string text(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(n));
      if (text == "PING") {
        Reply(control, from, "PONG");
      } else if (text == "COUNT") {
        Reply(control, from, "REQUESTS " + std::to_string(requests) + " " + std::to_string(lastSourcePort));
      } else if (text.rfind("SET", 0) == 0) {
        std::vector<quilcam::CameraSpec> next;
        std::string spec = text.size() > 4 ? text.substr(4) : std::string();
        if (quilcam::ParseCameras(spec, &next, &error)) {
          cameras.swap(next);
          Reply(control, from, "OK " + std::to_string(cameras.size()));
        } else {
          Reply(control, from, "ERROR " + error);
        }
      } else {
        Reply(control, from, "ERROR unknown command");
      }
    }
  }
  close(search);
  close(control);
  std::fprintf(stderr, "quilcam: done, %ld requests, %ld answers\n", requests, answers);
  return 0;
}
