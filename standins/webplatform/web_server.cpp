#include "web_server.h"

#include <chrono>

namespace standins::web {
namespace {

constexpr size_t kMaxHead = 16384;     // larger requests are dropped
constexpr int kReadTimeoutMs = 5000;   // per connection

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    default: return "Internal Server Error";
  }
}

}  // namespace

std::string FormatResponse(const HttpResponse& r) {
  std::string out = "HTTP/1.0 " + std::to_string(r.status) + " " + Reason(r.status) + "\r\n";
  out += "Content-Type: " + r.contentType + "\r\n";
  out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  out += "Cache-Control: no-cache\r\nPragma: no-cache\r\nExpires: 0\r\nConnection: close\r\n\r\n";
  return out + r.body;
}

std::string RequestTarget(const std::string& head) {
  size_t line = head.find("\r\n");
  std::string first = head.substr(0, line);
  size_t a = first.find(' ');
  if (a == std::string::npos || first.substr(0, a) != "GET") return std::string();
  size_t b = first.find(' ', a + 1);
  if (b == std::string::npos || b == a + 1) return std::string();
  return first.substr(a + 1, b - a - 1);
}

WebPlatformServer::WebPlatformServer() = default;

WebPlatformServer::~WebPlatformServer() { Stop(); }

bool WebPlatformServer::Start(uint16_t port) {
  if (m_listener != shim::kNoSocket) return true;
  m_listener = shim::OpenTcpListener(0x7F000001u, port);
  if (m_listener == shim::kNoSocket || !shim::LocalPort(m_listener, &m_port)) {
    shim::Close(m_listener);
    m_listener = shim::kNoSocket;
    return false;
  }
  m_stop = false;
  m_thread = std::thread([this] { Serve(); });
  return true;
}

void WebPlatformServer::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  shim::Close(m_listener);
  m_listener = shim::kNoSocket;
}

std::string WebPlatformServer::HostText() const { return "127.0.0.1:" + std::to_string(m_port); }

void WebPlatformServer::WithStore(const std::function<void(PlatformStore&)>& f) {
  std::lock_guard<std::mutex> hold(m_lock);
  f(m_store);
}

std::vector<std::string> WebPlatformServer::Requests() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_requests;
}

void WebPlatformServer::ClearRequests() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_requests.clear();
}

bool WebPlatformServer::WaitForRequests(size_t count, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      if (m_requests.size() >= count) return true;
    }
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void WebPlatformServer::Serve() {
  while (!m_stop) {
    shim::SocketHandle connection = shim::Accept(m_listener, 50);
    if (connection == shim::kNoSocket) continue;
    if (Handle(connection)) {
      shim::Close(connection);
    } else {
      shim::Abort(connection);
    }
  }
}

bool WebPlatformServer::Handle(shim::SocketHandle connection) {
  std::string head;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kMaxHead || m_stop || std::chrono::steady_clock::now() > end) return true;
    if (shim::WaitReadable(connection, 50) <= 0) continue;
    char buffer[2048];
    long n = shim::Receive(connection, buffer, sizeof buffer);
    if (n <= 0) return true;
    head.append(buffer, static_cast<size_t>(n));
  }
  std::string target = RequestTarget(head);
  HttpResponse response;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_requests.push_back(target);
    if (target.empty()) {
      response.status = 400;
      response.body = "bad request";
    } else {
      response = m_store.Answer(ParseTarget(target));
    }
  }
  if (m_onRequest) m_onRequest(target);
  ServeMode mode = m_mode;
  if (mode == ServeMode::Drop) return false;
  if (mode == ServeMode::ErrorPage) {
    response.status = 500;
    response.contentType = "text/html";
    response.body = "<HTML><HEAD><TITLE>500 Internal Server Error</TITLE></HEAD>"
                    "<BODY><H1>Internal Server Error</H1></BODY></HTML>";
  }
  std::string bytes = FormatResponse(response);
  shim::SendAll(connection, bytes.data(), bytes.size());
  return true;
}

}  // namespace standins::web
