#include "connection_thread.h"

#include <cstring>
#include <vector>

#include "camera_socket.h"
#include "operation_session.h"
#include "quil_ticks.h"

namespace quilgate::win {

namespace {

constexpr long kReceiveWaitUs = 100;
constexpr int kReceiveBuffer = 4096;

void CopyField(char* out, const char* field, size_t size) {
  std::memset(out, 0, size);
  for (size_t i = 0; i + 1 < size && field[i] != '\0'; ++i) out[i] = field[i];
}

}  // namespace

CQuilConnection::CQuilConnection(IQuilAlarmSink* sink)
    : m_dwAddress(0), m_wPort(0), m_hThread(nullptr), m_dwThreadId(0), m_pSink(sink),
      m_hConnected(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hFinished(CreateEventW(nullptr, TRUE, TRUE, nullptr)), m_lConnected(0) {
  std::memset(m_szUser, 0, sizeof m_szUser);
  std::memset(m_szPassword, 0, sizeof m_szPassword);
}

CQuilConnection::~CQuilConnection() {
  Stop();
  if (m_hConnected != nullptr) CloseHandle(m_hConnected);
  if (m_hFinished != nullptr) CloseHandle(m_hFinished);
}

bool CQuilConnection::Running() const {
  return m_hThread != nullptr && WaitForSingleObject(m_hFinished, 0) != WAIT_OBJECT_0;
}

bool CQuilConnection::Start(const CAMLIST_ITEM& camera) {
  if (m_hConnected == nullptr || m_hFinished == nullptr || Running()) return false;
  if (m_hThread != nullptr) {
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
  char ip[sizeof camera.ip];
  CopyField(ip, camera.ip, sizeof ip);
  if (!ResolveHost(ip, &m_dwAddress)) return false;
  m_wPort = htons(camera.localport);
  CopyField(m_szUser, camera.username, sizeof m_szUser);
  CopyField(m_szPassword, camera.userpassword, sizeof m_szPassword);
  ResetEvent(m_hConnected);
  ResetEvent(m_hFinished);
  m_lConnected = 0;
  m_hThread = CreateThread(nullptr, 0, &CQuilConnection::ThreadProc, this, CREATE_SUSPENDED, &m_dwThreadId);
  if (m_hThread == nullptr) {
    SetEvent(m_hFinished);
    return false;
  }
  SetThreadPriority(m_hThread, THREAD_PRIORITY_HIGHEST);
  ResumeThread(m_hThread);
  HANDLE decided[2] = {m_hConnected, m_hFinished};
  WaitForMultipleObjects(2, decided, FALSE, kConnectTimeoutMs + 2000);
  return InterlockedCompareExchange(&m_lConnected, 0, 0) == 1;
}

void CQuilConnection::PostMove(uint8_t code) {
  if (m_dwThreadId != 0) PostThreadMessageW(m_dwThreadId, kMoveMessage, code, 0);
}

void CQuilConnection::Stop() {
  if (m_hThread == nullptr) return;
  while (WaitForSingleObject(m_hFinished, 0) != WAIT_OBJECT_0) {
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(m_hFinished, 10);
  }
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  m_dwThreadId = 0;
}

DWORD WINAPI CQuilConnection::ThreadProc(void* self) {
  // The thread keeps its library loaded until its very end: the object that started it may
  // be gone by then, and so may the caller's reference to the library.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&CQuilConnection::ThreadProc),
                     &module);
  auto* connection = static_cast<CQuilConnection*>(self);
  HANDLE finished = connection->m_hFinished;
  connection->Run();
  SetEvent(finished);
  if (module != nullptr) FreeLibraryAndExitThread(module, 0);
  return 0;
}

void CQuilConnection::Run() {
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue for posted moves
  SOCKET s = ConnectWithin(m_dwAddress, ntohs(m_wPort), kConnectTimeoutMs);
  if (s == INVALID_SOCKET) {
    SetEvent(m_hConnected);
    return;
  }
  InterlockedExchange(&m_lConnected, 1);
  SetEvent(m_hConnected);

  OperationSession session(m_szUser, m_szPassword);
  SessionActions actions;
  session.Start(Ticks(), &actions);
  std::vector<uint8_t> buffer(kReceiveBuffer);
  bool running = true;
  while (running) {
    for (const std::vector<uint8_t>& frame : actions.send) {
      if (!SendAll(s, frame.data(), frame.size())) running = false;
    }
    for (int i = 0; running && i < actions.alarms; ++i) m_pSink->OnAlarm();
    if (actions.end || !running) break;
    actions = SessionActions();

    session.Tick(Ticks(), &actions);
    if (actions.end) break;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        running = false;
        break;
      }
      if (msg.message == kMoveMessage) session.Move(static_cast<uint8_t>(msg.wParam), &actions);
    }
    if (!running) break;
    int ready = WaitReadable(s, kReceiveWaitUs);
    if (ready < 0) break;
    if (ready == 0) continue;
    int n = recv(s, reinterpret_cast<char*>(buffer.data()), kReceiveBuffer, 0);
    if (n <= 0) break;
    session.Received(buffer.data(), static_cast<size_t>(n), Ticks(), &actions);
  }
  closesocket(s);
}

}  // namespace quilgate::win
