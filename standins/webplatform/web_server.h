// The stand-in web platform: an HTTP/1.0 server on 127.0.0.1 that answers from a
// PlatformStore, records every request, and can be told to answer with an HTML error page
// or to drop connections. One thread serves one connection at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform_store.h"
#include "socket_shim.h"

namespace standins::web {

enum class ServeMode {
  Normal,
  ErrorPage,  // "500" with an HTML page
  Drop,       // read the request, reset the connection without answering
};

// The bytes of a whole answer: status line, headers (no caching), body.
std::string FormatResponse(const HttpResponse& response);
// The request target of a request head ("GET /x?y HTTP/1.1\r\n..."), or "" when malformed.
std::string RequestTarget(const std::string& head);

class WebPlatformServer {
 public:
  WebPlatformServer();
  ~WebPlatformServer();
  // Listens on 127.0.0.1:port (0 picks a free port); false when that fails.
  bool Start(uint16_t port = 0);
  void Stop();
  uint16_t Port() const { return m_port; }
  // "127.0.0.1:<port>", the value for "ServerURL".
  std::string HostText() const;

  void SetMode(ServeMode mode) { m_mode = mode; }
  // Runs `f` on the store under the server's lock.
  void WithStore(const std::function<void(PlatformStore&)>& f);
  // Request targets in arrival order.
  std::vector<std::string> Requests();
  void ClearRequests();
  // Waits up to `timeoutMs` until at least `count` requests arrived.
  bool WaitForRequests(size_t count, int timeoutMs);
  // Called with each request target (from the server's thread), e.g. to print it.
  void OnRequest(std::function<void(const std::string&)> f) { m_onRequest = std::move(f); }

 private:
  void Serve();
  // False when the connection is to be reset rather than closed.
  bool Handle(shim::SocketHandle connection);

  shim::SocketHandle m_listener = shim::kNoSocket;
  uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<ServeMode> m_mode{ServeMode::Normal};
  std::thread m_thread;
  std::mutex m_lock;
  PlatformStore m_store;
  std::vector<std::string> m_requests;
  std::function<void(const std::string&)> m_onRequest;
};

}  // namespace standins::web
