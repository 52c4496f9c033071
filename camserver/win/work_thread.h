// The library's thread object: a thread with a virtual body, started with a message queue
// ready and joined without time-out.
#pragma once

#include <windows.h>

namespace lantern {

class CWorkThread {
 public:
  CWorkThread() = default;
  virtual ~CWorkThread();
  CWorkThread(const CWorkThread&) = delete;
  CWorkThread& operator=(const CWorkThread&) = delete;

  // Does nothing when a thread exists. With `wait`, returns only once the new thread has
  // made its message queue (or after 15 s).
  virtual bool StartThread(bool wait, void* argument = nullptr);
  virtual void SetAutoDelete(bool autoDelete) { m_bAutoDelete = autoDelete; }
  virtual DWORD Suspend();
  virtual DWORD Resume();
  virtual BOOL SetPriority(int priority);
  virtual DWORD GetExitCode();
  virtual void JoinThread();

  DWORD threadId() const { return m_dwThreadId; }
  void ClearThreadId() { m_dwThreadId = 0; }

 protected:
  virtual unsigned ThreadBody(void* argument) = 0;

 private:
  static unsigned __stdcall Entry(void* self);

  HANDLE m_hThread = nullptr;
  DWORD m_dwThreadId = 0;
  bool m_bAutoDelete = false;
  HANDLE m_hStarted = nullptr;
  void* m_pArgument = nullptr;
};

// Manual-reset event owned by a thread's owner to stop it.
class StopEvent {
 public:
  StopEvent() : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~StopEvent() { Close(); }
  StopEvent(const StopEvent&) = delete;
  StopEvent& operator=(const StopEvent&) = delete;
  void Set() { if (m_hEvent) SetEvent(m_hEvent); }
  void Reset() { if (m_hEvent) ResetEvent(m_hEvent); }
  // True when set; waits up to `ms`.
  bool Wait(DWORD ms) const { return !m_hEvent || WaitForSingleObject(m_hEvent, ms) == WAIT_OBJECT_0; }
  void Close() {
    if (m_hEvent) CloseHandle(m_hEvent);
    m_hEvent = nullptr;
  }
  bool valid() const { return m_hEvent != nullptr; }

 private:
  HANDLE m_hEvent;
};

}  // namespace lantern
