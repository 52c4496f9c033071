#include "work_thread.h"

#include <process.h>

namespace lantern {

CWorkThread::~CWorkThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

bool CWorkThread::StartThread(bool wait, void* argument) {
  if (m_hThread) return true;
  m_pArgument = argument;
  if (wait) m_hStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  unsigned id = 0;
  m_hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CWorkThread::Entry, this, 0, &id));
  if (!m_hThread) {
    if (m_hStarted) CloseHandle(m_hStarted);
    m_hStarted = nullptr;
    return false;
  }
  m_dwThreadId = id;
  if (wait && m_hStarted) {
    WaitForSingleObject(m_hStarted, 15000);
    CloseHandle(m_hStarted);
    m_hStarted = nullptr;
  }
  return true;
}

unsigned __stdcall CWorkThread::Entry(void* self) {
  CWorkThread* thread = static_cast<CWorkThread*>(self);
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the message queue
  if (thread->m_hStarted) SetEvent(thread->m_hStarted);
  unsigned code = thread->ThreadBody(thread->m_pArgument);
  if (thread->m_bAutoDelete) delete thread;
  return code;
}

DWORD CWorkThread::Suspend() { return m_hThread ? SuspendThread(m_hThread) : DWORD(-1); }
DWORD CWorkThread::Resume() { return m_hThread ? ResumeThread(m_hThread) : DWORD(-1); }
BOOL CWorkThread::SetPriority(int priority) {
  return m_hThread ? SetThreadPriority(m_hThread, priority) : FALSE;
}

DWORD CWorkThread::GetExitCode() {
  DWORD code = 0;
  if (m_hThread) GetExitCodeThread(m_hThread, &code);
  return code;
}

void CWorkThread::JoinThread() {
  if (!m_hThread) return;
  WaitForSingleObject(m_hThread, INFINITE);
  CloseHandle(m_hThread);
  m_hThread = nullptr;
}

}  // namespace lantern
