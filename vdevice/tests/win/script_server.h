// A loopback HTTP peer that answers the first request with scripted bytes, sent in small
// pieces so that the client sees them split across its receives.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace mirage_test {

class ScriptServer {
 public:
  // `answer` goes out in pieces of at most `piece` bytes after the request's head arrived;
  // then the connection closes when `closeAfter`, else it stays open until the server goes.
  ScriptServer(std::string answer, size_t piece, bool closeAfter);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  uint16_t port() const { return m_port; }
  // The request head as received (up to its blank line).
  std::string Request();

 private:
  void Serve();

  const std::string m_answer;
  const size_t m_piece;
  const bool m_closeAfter;
  SOCKET m_listener = INVALID_SOCKET;
  uint16_t m_port = 0;
  HANDLE m_stop;
  std::mutex m_lock;
  std::string m_request;
  std::thread m_thread;
};

}  // namespace mirage_test
