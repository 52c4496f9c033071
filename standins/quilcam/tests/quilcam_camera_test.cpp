// The stand-in quil camera over loopback TCP, as a client meets it: CGI answers, the
// credential check, the MJPEG stream and the operation protocol with its switches.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "jpeg_decode.h"
#include "quilcam_http.h"
#include "quilcam_camera.h"
#include "quilcam_server.h"
#include "socket_shim.h"

using namespace quilcam;
namespace shim = standins::shim;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
using Bytes = std::vector<uint8_t>;

class Client {
 public:
  explicit Client(uint16_t port) : s_(shim::ConnectTcp(kLoopback, port, 3000)) {}
  ~Client() { shim::Close(s_); }
  bool ok() const { return s_ != shim::kNoSocket; }
  bool Send(const std::string& text) { return shim::SendAll(s_, text.data(), text.size()); }
  bool Send(const Bytes& b) { return shim::SendAll(s_, b.data(), b.size()); }
  // Reads until `want` bytes are held, the peer closes, or the time is up.
  std::string Read(size_t want, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[8192];
    while (held_.size() < want && std::chrono::steady_clock::now() < deadline) {
      if (shim::WaitReadable(s_, 20) != 1) continue;
      long n = shim::Receive(s_, buffer, sizeof buffer);
      if (n <= 0) {
        closed_ = true;
        break;
      }
      held_.append(buffer, static_cast<size_t>(n));
    }
    size_t n = std::min(want, held_.size());
    std::string out = held_.substr(0, n);
    held_.erase(0, n);
    return out;
  }
  std::string ReadAll() { return Read(1 << 20); }
  bool closed() const { return closed_; }

 private:
  shim::SocketHandle s_;
  std::string held_;
  bool closed_ = false;
};

Bytes Frame(uint16_t code, const Bytes& payload = {}) {
  Bytes f = {'M', 'O', '_', 'O', static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int copy = 0; copy < 2; ++copy) {
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(payload.size() >> (8 * i)));
  }
  f.insert(f.end(), payload.begin(), payload.end());
  return f;
}
std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string Get(uint16_t port, const std::string& target) {
  Client c(port);
  EXPECT_TRUE(c.ok());
  c.Send("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  return c.ReadAll();
}

Bytes Login(const char* user, const char* password) {
  Bytes p(26, 0);
  std::memcpy(p.data(), user, std::min<size_t>(13, std::strlen(user)));
  std::memcpy(p.data() + 13, password, std::min<size_t>(13, std::strlen(password)));
  return Frame(2, p);
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CameraSettings s = camera_.settings();
    s.user = "admin";
    s.password = "pw";
    camera_.Configure(s);
    ASSERT_TRUE(server_.Start(kLoopback, 0, 0));
    ASSERT_NE(server_.localPort(), server_.webPort());
  }
  QuilCamera camera_;
  CameraServer server_{&camera_};
};

}  // namespace

TEST_F(CameraTest, CredentialCheckAndClock) {
  std::string good = Get(server_.webPort(), "/get_p2p.cgi?&user=admin&pwd=pw");
  EXPECT_EQ(good.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(good.find("401 Unauthorized"), std::string::npos);
  for (const char* bad : {"/get_p2p.cgi?&user=admin&pwd=PW", "/get_p2p.cgi?&user=admin", "/get_params.cgi?user=x&pwd=pw"}) {
    std::string answer = Get(server_.webPort(), bad);
    EXPECT_EQ(answer.substr(0, 30), "HTTP/1.1 401 Unauthorized\r\nSer") << bad;
    EXPECT_NE(answer.find("\r\n\r\n401 Unauthorized"), std::string::npos);
  }
  EXPECT_EQ(Get(server_.localPort(), "/nothing.cgi?user=admin&pwd=pw").substr(0, 12), "HTTP/1.1 404");
  EXPECT_EQ(camera_.record().clock, -1);
  Get(server_.localPort(), "/set_datetime.cgi?now=1700000000&user=admin&pwd=pw");
  CameraRecord r = camera_.record();
  EXPECT_EQ(r.clock, 1700000000);
  ASSERT_EQ(r.requests.size(), 6u);
  EXPECT_EQ(r.requests[5], "GET /set_datetime.cgi?now=1700000000&user=admin&pwd=pw HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(CameraTest, MotionParametersAreKeptAndAnswered) {
  Get(server_.localPort(),
      "/set_alarm.cgi?motion_armed=0&schedule_sun_0=-1&schedule_sun_1=0&schedule_sun_2=-2147483648&"
      "schedule_mon_0=65280&&user=admin&pwd=pw");
  MotionSettings m = camera_.motion();
  EXPECT_EQ(m.armed, 0);
  EXPECT_EQ(m.schedule[6][0], -1);
  EXPECT_EQ(m.schedule[6][2], INT32_MIN);
  EXPECT_EQ(m.schedule[0][0], 65280);
  std::string answer = Get(server_.localPort(), "/get_params.cgi?&user=admin&pwd=pw");
  size_t body = answer.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  std::string expected =
      "var id=\"QC0000000001\";\r\nvar alarm_motion_armed=0;\r\nvar alarm_schedule_enable=1;\r\n"
      "var alarm_schedule_mon_0=65280;\r\nvar alarm_schedule_mon_1=0;\r\nvar alarm_schedule_mon_2=0;\r\n";
  EXPECT_EQ(answer.substr(body + 4, expected.size()), expected);
  EXPECT_NE(answer.find("var alarm_schedule_sun_0=-1;\r\nvar alarm_schedule_sun_1=0;\r\n"
                        "var alarm_schedule_sun_2=-2147483648;\r\n"),
            std::string::npos);
  // Padding pushes the values past what a 4096-byte answer buffer holds.
  CameraSettings s = camera_.settings();
  s.paramsPadding = 5000;
  camera_.Configure(s);
  answer = Get(server_.localPort(), "/get_params.cgi?&user=admin&pwd=pw");
  EXPECT_GT(answer.find("alarm_motion_armed"), 5000u);
}

TEST_F(CameraTest, MjpegStreamAtTheResolutionSize) {
  CameraSettings s = camera_.settings();
  s.framesPerSecond = 50;
  camera_.Configure(s);
  const int codes[] = {2, 8, 32};
  const int widths[] = {160, 320, 640};
  for (int i = 0; i < 3; ++i) {
    Client c(server_.webPort());
    c.Send("GET /videostream.cgi?user=admin&pwd=pw&resolution=" + std::to_string(codes[i]) +
           " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    std::string head = c.Read(200, 3000);
    size_t end = head.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(head.find("Content-Type: multipart/x-mixed-replace;boundary=ipcamera\r\n"), std::string::npos);
    std::string rest = head.substr(end + 4);
    uint32_t lastCounter = 0;
    for (int part = 0; part < 2; ++part) {
      while (rest.find("\r\n\r\n") == std::string::npos) rest += c.Read(1, 3000);
      ASSERT_EQ(rest.substr(0, 40), "--ipcamera\r\nContent-Type: image/jpeg\r\nCo");
      size_t at = rest.find("Content-Length: ");
      size_t length = std::stoul(rest.substr(at + 16));
      size_t image = rest.find("\r\n\r\n") + 4;
      while (rest.size() < image + length + 2) rest += c.Read(image + length + 2 - rest.size(), 3000);
      ASSERT_EQ(rest.substr(image + length, 2), "\r\n");
      lantern::testing::DecodedImage decoded;
      ASSERT_TRUE(lantern::testing::DecodeJpeg(reinterpret_cast<const uint8_t*>(rest.data() + image), length, &decoded));
      EXPECT_EQ(decoded.width, widths[i]);
      EXPECT_EQ(decoded.height, widths[i] * 3 / 4);
      const uint8_t* top = decoded.At(decoded.width / 2, 2);
      EXPECT_GT(top[0], 200);  // red band
      EXPECT_LT(top[2], 60);
      const uint8_t* bottom = decoded.At(decoded.width / 2, decoded.height - 3);
      EXPECT_GT(bottom[2], 200);  // blue band
      // Frame counter cells in the row below the red band: frame 0 then frame 1.
      uint32_t counter = 0;
      for (int bit = 0; bit < 16; ++bit) {
        if (decoded.At(8 * bit + 4, decoded.height / 8 + 4)[1] > 128) counter |= 1u << bit;
      }
      EXPECT_EQ(counter, static_cast<uint32_t>(part));
      lastCounter = counter;
      rest.erase(0, image + length + 2);
    }
    EXPECT_EQ(lastCounter, 1u);
  }
  EXPECT_EQ(camera_.record().streams, 3);
  // A stream with the wrong password is refused before any picture.
  std::string refused = Get(server_.webPort(), "/videostream.cgi?user=admin&pwd=no&resolution=8");
  EXPECT_EQ(refused.substr(0, 12), "HTTP/1.1 401");
  EXPECT_EQ(camera_.record().streams, 3);
}

TEST_F(CameraTest, OperationLoginKeepAliveAndMoves) {
  Client c(server_.localPort());
  ASSERT_TRUE(c.Send(Frame(0)));
  Bytes answer = {'M', 'O', '_', 'O', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 27, 0, 0, 0, 27, 0, 0, 0,
                  0, 0, 'Q', 'C', '0', '0', '0', '0', '0', '0', '0', '0', '0', '1', 0,
                  0x00, 0x05, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(c.Read(answer.size()), Str(answer));
  c.Send(Login("admin", "wrong"));
  EXPECT_EQ(c.Read(26), Str(Frame(3, {1, 0, 0})));
  c.Send(Login("admin", "pw"));
  EXPECT_EQ(c.Read(26), Str(Frame(3, {0, 0, 0})));
  c.Send(Frame(16));
  EXPECT_EQ(c.Read(27), Str(Frame(17, {1, 0, 0, 0})));
  c.Send(Frame(255));
  EXPECT_EQ(c.Read(23), Str(Frame(255)));
  c.Send(Frame(14, {4}));
  camera_.PushAlarm(1);
  EXPECT_EQ(c.Read(32), Str(Frame(25, {1, 1, 0, 0, 0, 0, 0, 0, 0})));
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.moves.size() == 1; }, 3000));
  EXPECT_EQ(camera_.record().moves[0], 4);

  // Silent: frames are recorded, nothing is answered or pushed.
  camera_.SetSilent(true);
  c.Send(Frame(255));
  camera_.PushAlarm(1);
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.Count(255) == 2; }, 3000));
  EXPECT_EQ(c.Read(1, 300), "");
  camera_.SetSilent(false);
  c.Send(Frame(255));
  EXPECT_EQ(c.Read(23), Str(Frame(255)));
  CameraRecord r = camera_.record();
  EXPECT_EQ(r.Count(2), 2);
  EXPECT_EQ(Frame(2, r.operations[2].payload), Login("admin", "pw"));
  EXPECT_EQ(r.operationClosed, 0);
}

TEST_F(CameraTest, LoginSwitchesOnePortForBothProtocolsAndDrops) {
  CameraSettings s = camera_.settings();
  s.loginResult = 7;
  s.firstLoginValue = 16777217;
  camera_.Configure(s);
  {
    Client c(server_.localPort());
    c.Send(Frame(0));
    std::string a = c.Read(50);
    ASSERT_EQ(a.size(), 50u);
    EXPECT_EQ(a.substr(23, 2), std::string("\x07\x00", 2));
    EXPECT_EQ(a.substr(38, 4), std::string("\x01\x00\x00\x01", 4));
  }
  ASSERT_TRUE(camera_.WaitFor([](const CameraRecord& r) { return r.operationClosed == 1; }, 3000));
  // HTTP on the operation port, the operation protocol on the web port.
  EXPECT_EQ(Get(server_.localPort(), "/get_p2p.cgi?&user=admin&pwd=pw").substr(0, 12), "HTTP/1.1 200");
  Client op(server_.webPort());
  op.Send(Frame(0));
  EXPECT_EQ(op.Read(50).size(), 50u);
  server_.DropConnections();
  op.Read(1, 3000);
  EXPECT_TRUE(op.closed());
  EXPECT_EQ(camera_.record().operationConnections, 2);
  EXPECT_EQ(camera_.record().operationClosed, 1);  // the drop was the camera's own
}

TEST(CameraParsing, RandomHeadsAndOperationBytes) {
  std::mt19937 rng(17);
  QuilCamera camera;
  const char alphabet[] = "GET /?&=x \r\nMO_O\x00\x01\xff";
  for (int round = 0; round < 3000; ++round) {
    std::string head;
    const size_t n = rng() % 60;
    for (size_t i = 0; i < n; ++i) head += alphabet[rng() % (sizeof alphabet - 1)];
    HttpRequest request;
    ParseRequestHead(head, &request);
    QuilCamera::HttpReply reply = camera.AnswerHttp(head);
    ASSERT_EQ(reply.bytes.compare(0, 9, "HTTP/1.1 "), 0);
    QuilCamera::OperationPeer peer(&camera);
    std::vector<uint8_t> bytes(head.begin(), head.end());
    if (round % 2 == 0) {
      const Bytes login = Frame(0);
      bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(rng() % (bytes.size() + 1)), login.begin(), login.end());
    }
    peer.Received(bytes.data(), bytes.size());
    peer.TakeOutbox();
  }
  EXPECT_GE(camera.record().Count(0), 1500);
}
