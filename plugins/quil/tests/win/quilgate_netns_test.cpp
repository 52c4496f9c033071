// The stand-in camera of the network namespace as the service and the virtual device will
// meet it over a real link: the credential check, the MJPEG stream's start, and Quilgate's
// operation connection with a pushed alarm. Runs only through scripts/netns-run.sh --camera.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "http_exchange.h"
#include "netns_support.h"
#include "quil_camera_handle.h"

using namespace quilgate::win;

namespace {

// The responder's control channel: one datagram out, one back.
std::string Control(const std::string& command) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = inet_addr("10.213.7.2");
  to.sin_port = htons(10001);
  std::string reply;
  for (int attempt = 0; attempt < 10 && reply.empty(); ++attempt) {
    sendto(s, command.data(), static_cast<int>(command.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {0, 300000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    char buffer[256];
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n > 0) reply.assign(buffer, static_cast<size_t>(n));
  }
  closesocket(s);
  return reply;
}

std::string Get(const std::string& target) {
  std::string answer;
  Exchange(quilgate::MakeTarget("10.213.7.2", 81, "", ""),
           "GET " + target + " HTTP/1.0\r\nHost: 10.213.7.2\r\n\r\n",
           [&](const char* text, size_t size) { answer.assign(text, size); });
  return answer;
}

std::atomic<int> g_alarms{0};
void OnEvent(long real, int event, int value, void*) {
  if (real == 1 && event == 2 && value == 1) ++g_alarms;
}

}  // namespace

TEST(QuilcamInNamespace, CredentialCheckStreamAndOperationConnection) {
  ASSERT_EQ(rookery_test::CheckTestNetwork(), "");
  const char* camera = std::getenv("QUILCAM_CAMERA");
  ASSERT_NE(camera, nullptr);
  ASSERT_STREQ(camera, "10.213.7.2:81");
  SocketsStarted sockets;
  ASSERT_EQ(Control("PING"), "PONG");

  std::string good = Get("/get_p2p.cgi?&user=admin&pwd=123456");
  EXPECT_EQ(good.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(good.find("401 Unauthorized"), std::string::npos);
  EXPECT_NE(Get("/get_p2p.cgi?&user=admin&pwd=nope").find("401 Unauthorized"), std::string::npos);
  std::string stream = Get("/videostream.cgi?user=admin&pwd=123456&resolution=8");
  EXPECT_EQ(stream.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_NE(stream.find("\r\n\r\n--ipcamera\r\nContent-Type: image/jpeg\r\nContent-Length: "), std::string::npos);

  CAMLIST_ITEM item = {};
  std::strcpy(item.ip, "10.213.7.2");
  std::strcpy(item.username, "admin");
  std::strcpy(item.userpassword, "123456");
  item.localport = 81;
  CQuilCameraHandle* h = CQuilCameraHandle::Create();
  ASSERT_EQ(h->Open(&item, &OnEvent, nullptr), 1);
  // Login (0, 2) and the session start (16): three frames at the camera.
  ASSERT_TRUE(rookery_test::WaitUntil([] {
    std::string r = Control("RECORD");
    return r.size() > 7 && std::atoi(r.c_str() + r.find(' ', 7) + 1) >= 3;
  }, 10000));
  ASSERT_EQ(Control("ALARM 1"), "OK");
  ASSERT_TRUE(rookery_test::WaitUntil([] { return g_alarms == 1; }, 10000));
  delete h;
  ASSERT_TRUE(rookery_test::WaitUntil([] {
    std::string r = Control("RECORD");
    return r.substr(r.find_last_of(' ') + 1) == "1";  // the connection was closed by the client
  }, 10000));
}
