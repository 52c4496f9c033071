// The connection thread of one open camera: the operation connection with its login,
// keep-alive and silence limit; it receives alarms and sends pan/tilt moves.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "CamShare.h"

namespace quilgate::win {

// Thread message that carries a move code (wParam) to the connection thread.
constexpr UINT kMoveMessage = WM_USER + 6;
constexpr DWORD kConnectTimeoutMs = 3000;

// Told of motion alarms, on the connection thread.
class IQuilAlarmSink {
 public:
  virtual ~IQuilAlarmSink() = default;
  virtual void OnAlarm() = 0;
};

class CQuilConnection {
 public:
  explicit CQuilConnection(IQuilAlarmSink* sink);
  ~CQuilConnection();  // stops the thread
  CQuilConnection(const CQuilConnection&) = delete;
  CQuilConnection& operator=(const CQuilConnection&) = delete;

  // Starts the thread to the camera's `ip` and `localport` and waits for its connect.
  // False when this object's previous thread still runs, when the thread cannot start, or
  // when the camera cannot be reached.
  bool Start(const CAMLIST_ITEM& camera);
  // Sent once logged in; dropped when the thread has ended.
  void PostMove(uint8_t code);
  // Posts WM_QUIT until the thread has ended.
  void Stop();
  bool Running() const;

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void Run();

  uint32_t m_dwAddress;  // network order
  uint16_t m_wPort;      // network order
  char m_szUser[20];
  char m_szPassword[20];
  HANDLE m_hThread;
  DWORD m_dwThreadId;
  IQuilAlarmSink* m_pSink;
  HANDLE m_hConnected;  // set when the connect is decided
  HANDLE m_hFinished;   // set as the thread's last touch of this object
  volatile LONG m_lConnected;
};

}  // namespace quilgate::win
