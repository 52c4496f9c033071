#include "script_server.h"

#include <algorithm>

namespace mirage_test {

ScriptServer::ScriptServer(std::string answer, size_t piece, bool closeAfter)
    : m_answer(std::move(answer)),
      m_piece(std::max<size_t>(piece, 1)),
      m_closeAfter(closeAfter),
      m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(m_listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
  listen(m_listener, 1);
  int size = sizeof at;
  getsockname(m_listener, reinterpret_cast<sockaddr*>(&at), &size);
  m_port = ntohs(at.sin_port);
  m_thread = std::thread([this] { Serve(); });
}

ScriptServer::~ScriptServer() {
  SetEvent(m_stop);
  closesocket(m_listener);  // ends a waiting accept
  m_thread.join();
  CloseHandle(m_stop);
  WSACleanup();
}

std::string ScriptServer::Request() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_request;
}

void ScriptServer::Serve() {
  SOCKET s = accept(m_listener, nullptr, nullptr);
  if (s == INVALID_SOCKET) return;
  std::string head;
  char buffer[512];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 8192) {
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_request = head.substr(0, head.find("\r\n\r\n") + 4);
  }
  for (size_t at = 0; at < m_answer.size(); at += m_piece) {
    if (WaitForSingleObject(m_stop, 0) == WAIT_OBJECT_0) break;
    const int n = static_cast<int>(std::min(m_piece, m_answer.size() - at));
    if (send(s, m_answer.data() + at, n, 0) != n) break;
    Sleep(1);  // lets the pieces arrive apart
  }
  if (!m_closeAfter) WaitForSingleObject(m_stop, INFINITE);
  shutdown(s, SD_BOTH);
  closesocket(s);
}

}  // namespace mirage_test
