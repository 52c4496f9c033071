#include "web_server.h"

#include <gtest/gtest.h>

using namespace standins::web;
namespace shim = standins::shim;

namespace {

// One raw exchange: sends `request`, returns everything until the server closes.
std::string Exchange(uint16_t port, const std::string& request) {
  shim::SocketHandle s = shim::ConnectTcp(0x7F000001u, port, 2000);
  if (s == shim::kNoSocket) return "<no connection>";
  shim::SendAll(s, request.data(), request.size());
  std::string answer;
  for (int i = 0; i < 200; ++i) {
    if (shim::WaitReadable(s, 50) <= 0) continue;
    char buffer[1024];
    long n = shim::Receive(s, buffer, sizeof buffer);
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  shim::Close(s);
  return answer;
}

}  // namespace

TEST(WebPlatformServer, AnswersRecordsAndMisbehavesOnRequest) {
  WebPlatformServer server;
  ASSERT_TRUE(server.Start());
  ASSERT_NE(server.Port(), 0);
  EXPECT_EQ(server.HostText(), "127.0.0.1:" + std::to_string(server.Port()));
  server.WithStore([](PlatformStore& s) { s.rendezvous = "10.1.2.3:6000"; });

  EXPECT_EQ(Exchange(server.Port(), "GET /loadrunner.asp HTTP/1.1\r\nHost: x\r\n\r\n"),
            "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 13\r\n"
            "Cache-Control: no-cache\r\nPragma: no-cache\r\nExpires: 0\r\nConnection: close\r\n\r\n"
            "10.1.2.3:6000");

  server.SetMode(ServeMode::ErrorPage);
  std::string page = Exchange(server.Port(), "GET /loadrunner.asp HTTP/1.0\r\n\r\n");
  EXPECT_EQ(page.substr(0, 35), "HTTP/1.0 500 Internal Server Error\r");
  EXPECT_NE(page.find("<HTML>"), std::string::npos);

  server.SetMode(ServeMode::Drop);
  EXPECT_EQ(Exchange(server.Port(), "GET /loadrunner.asp HTTP/1.0\r\n\r\n"), "");

  server.SetMode(ServeMode::Normal);
  EXPECT_EQ(Exchange(server.Port(), "POST / HTTP/1.0\r\n\r\n").substr(0, 24), "HTTP/1.0 400 Bad Request");
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"/loadrunner.asp", "/loadrunner.asp", "/loadrunner.asp", ""}));
  EXPECT_TRUE(server.WaitForRequests(4, 10));
  EXPECT_FALSE(server.WaitForRequests(5, 10));
  server.ClearRequests();
  EXPECT_TRUE(server.Requests().empty());
  server.Stop();
  EXPECT_EQ(Exchange(server.Port(), "GET / HTTP/1.0\r\n\r\n"), "<no connection>");
}

TEST(WebPlatformServer, RequestLine) {
  EXPECT_EQ(RequestTarget("GET /a?b=c HTTP/1.1\r\nHost: h\r\n\r\n"), "/a?b=c");
  EXPECT_EQ(RequestTarget("GET  HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(RequestTarget("PUT /a HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(RequestTarget("GET /a"), "");
  EXPECT_EQ(RequestTarget(""), "");
}
