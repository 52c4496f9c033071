// quilcam_responder: stand-in quil cameras, run natively.
//
// With --subnet it answers LAN search requests for one or several cameras. It then runs
// inside the test's camera network namespace: it answers only requests from the given test
// subnet and refuses to start where any interface lies outside that subnet.
// With --camera-bind it is also one whole camera on TCP (CGI requests and the operation
// protocol on --local-port and --web-port), bound to a loopback address or, with --subnet,
// to an address of the test subnet.
// It ends after --max-seconds or --max-answers.
//
// Control datagrams (UDP, --control-port, from the test subnet or loopback), each answered
// to the sender:
//   PING              -> PONG
//   SET <cameras>     -> OK <count>   (cameras as in quilcam_answer.h; "SET" alone: silence)
//   COUNT             -> REQUESTS <requests seen> <source port of the last request>
//   ALARM <type>      -> OK           (an alarm frame to every operation connection)
//   SILENT 0|1        -> OK           (operation frames recorded but not answered)
//   LOGIN <result> <first value> -> OK
//   RECORD            -> RECORD <HTTP requests> <operation frames> <operation connections closed>
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
#include "quilcam_camera.h"
#include "quilcam_server.h"

namespace {

struct Options {
  uint32_t subnet = 0;  // host order
  uint32_t subnetMask = 0;
  uint16_t searchPort = 10000;
  uint16_t controlPort = 10001;
  int maxSeconds = 120;
  long maxAnswers = 20000;
  std::string cameras;
  bool haveSubnet = false;
  bool camera = false;
  uint32_t cameraBind = 0;  // host order
  uint16_t localPort = 81;
  uint16_t webPort = 81;
  std::string user = "admin";
  std::string password = "123456";
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

int OpenUdp(uint32_t ip, uint16_t port) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return -1;
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local = {};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(ip);
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
               "usage: quilcam_responder [--subnet A.B.C.D/N] [--search-port P] [--control-port P]\n"
               "       [--max-seconds S] [--max-answers N] [--cameras SPEC]\n"
               "       [--camera-bind A.B.C.D [--local-port P] [--web-port P] [--user U] [--password P]]\n"
               "       (--subnet, --camera-bind or both)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  bool badBind = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (a == "--subnet") o.haveSubnet = ParseSubnet(next(), &o);
    else if (a == "--camera-bind") {
      uint8_t b[4];
      o.camera = true;
      badBind = !quilcam::ParseDotted(next(), b);
      o.cameraBind = (uint32_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    }
    else if (a == "--local-port") o.localPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--web-port") o.webPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--user") o.user = next();
    else if (a == "--password") o.password = next();
    else if (a == "--search-port") o.searchPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--control-port") o.controlPort = static_cast<uint16_t>(std::atoi(next().c_str()));
    else if (a == "--max-seconds") o.maxSeconds = std::atoi(next().c_str());
    else if (a == "--max-answers") o.maxAnswers = std::atol(next().c_str());
    else if (a == "--cameras") o.cameras = next();
    else return Usage();
  }
  if ((!o.haveSubnet && !o.camera) || badBind || o.maxSeconds <= 0 || o.maxSeconds > 3600 || o.maxAnswers <= 0) {
    return Usage();
  }
  const bool loopbackOnly = !o.haveSubnet;
  if (o.camera && (o.cameraBind >> 24) != 127 && !(o.haveSubnet && InSubnet(o, o.cameraBind))) {
    std::fprintf(stderr, "quilcam: the camera binds only to loopback or to the test subnet\n");
    return 3;
  }
  if (o.haveSubnet && !InsideTestNamespace(o)) {
    std::fprintf(stderr, "quilcam: refusing to run outside a test network namespace\n");
    return 3;
  }
  std::vector<quilcam::CameraSpec> cameras;
  std::string error;
  if (!quilcam::ParseCameras(o.cameras, &cameras, &error)) {
    std::fprintf(stderr, "quilcam: %s\n", error.c_str());
    return 2;
  }
  // Without a test subnet nothing is searched for and only loopback may control.
  int search = loopbackOnly ? -1 : OpenUdp(INADDR_ANY, o.searchPort);
  int control = OpenUdp(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY, o.controlPort);
  if ((!loopbackOnly && search < 0) || control < 0) {
    std::perror("quilcam: bind");
    return 1;
  }
  quilcam::QuilCamera camera;
  quilcam::CameraServer server(&camera);
  if (o.camera) {
    quilcam::CameraSettings settings = camera.settings();
    settings.user = o.user;
    settings.password = o.password;
    camera.Configure(settings);
    if (!server.Start(o.cameraBind, o.localPort, o.webPort)) {
      std::perror("quilcam: camera ports");
      return 1;
    }
    std::fprintf(stderr, "quilcam: camera on ports %u and %u\n", server.localPort(), server.webPort());
  }
  std::fprintf(stderr, "quilcam: ready on %u, control %u\n", o.searchPort, o.controlPort);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.maxSeconds);
  long answers = 0, requests = 0;
  unsigned lastSourcePort = 0;
  std::vector<uint8_t> buffer(65536);
  while (std::chrono::steady_clock::now() < deadline && answers < o.maxAnswers) {
    pollfd fds[2] = {{search, search < 0 ? short(0) : short(POLLIN), 0}, {control, POLLIN, 0}};
    if (poll(fds, 2, 200) <= 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (!(fds[k].revents & POLLIN)) continue;
      sockaddr_in from = {};
      socklen_t fromLength = sizeof from;
      ssize_t n = recvfrom(fds[k].fd, buffer.data(), buffer.size(), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromLength);
      uint32_t sender = ntohl(from.sin_addr.s_addr);
      if (n < 0 || !(loopbackOnly ? (sender >> 24) == 127 : InSubnet(o, sender))) continue;
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
      } else if (text.rfind("ALARM ", 0) == 0) {
        camera.PushAlarm(static_cast<uint8_t>(std::atoi(text.c_str() + 6)));
        Reply(control, from, "OK");
      } else if (text.rfind("SILENT ", 0) == 0) {
        camera.SetSilent(text == "SILENT 1");
        Reply(control, from, "OK");
      } else if (text.rfind("LOGIN ", 0) == 0) {
        quilcam::CameraSettings settings = camera.settings();
        unsigned long result = 0, first = 0;
        std::sscanf(text.c_str() + 6, "%lu %lu", &result, &first);
        settings.loginResult = static_cast<uint16_t>(result);
        settings.firstLoginValue = static_cast<uint32_t>(first);
        camera.Configure(settings);
        Reply(control, from, "OK");
      } else if (text == "RECORD") {
        quilcam::CameraRecord r = camera.record();
        Reply(control, from, "RECORD " + std::to_string(r.requests.size()) + " " + std::to_string(r.operations.size()) +
                                 " " + std::to_string(r.operationClosed));
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
  server.Stop();
  if (search >= 0) close(search);
  close(control);
  std::fprintf(stderr, "quilcam: done, %ld requests, %ld answers\n", requests, answers);
  return 0;
}
