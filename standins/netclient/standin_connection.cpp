#include "standin_connection.h"

#include "yuv_picture.h"

namespace netclient_standin {

Connection::Connection(long handle, CameraEventCallBack callback, void* user, int sizeCode, int fps)
    : handle_(handle), eventCallback_(callback), user_(user), sizeCode_(sizeCode),
      fps_(fps > 0 && fps <= 100 ? fps : 25), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
}

Connection::~Connection() {
  if (thread_ != nullptr) CloseHandle(thread_);
  if (wake_ != nullptr) CloseHandle(wake_);
  DeleteCriticalSection(&lock_);
}

bool Connection::Start() {
  thread_ = CreateThread(nullptr, 0, &Connection::ThreadProc, this, 0, &threadId_);
  if (thread_ == nullptr) InterlockedExchange(&ended_, 1);
  return thread_ != nullptr;
}

void Connection::Stop(bool wait) {
  InterlockedExchange(&stop_, 1);
  SetEvent(wake_);
  if (wait && thread_ != nullptr && GetCurrentThreadId() != threadId_) WaitForSingleObject(thread_, 10000);
}

bool Connection::Ended() { return InterlockedCompareExchange(&ended_, 0, 0) == 1; }

void Connection::Orphan() { InterlockedExchange(&orphaned_, 1); }

void Connection::QueueEvent(int event, int value) {
  EnterCriticalSection(&lock_);
  events_.emplace_back(event, value);
  LeaveCriticalSection(&lock_);
  SetEvent(wake_);
}

void Connection::SetFrameCallBack(NetClientFrameCallBack callback, void* context) {
  EnterCriticalSection(&lock_);  // waits for a frame being delivered
  frameCallback_ = callback;
  frameContext_ = context;
  LeaveCriticalSection(&lock_);
}

bool Connection::HasFrameCallBack() {
  EnterCriticalSection(&lock_);
  bool set = frameCallback_ != nullptr;
  LeaveCriticalSection(&lock_);
  return set;
}

int Connection::frames() {
  EnterCriticalSection(&lock_);
  int n = frames_;
  LeaveCriticalSection(&lock_);
  return n;
}

void Connection::SetWindow(void* window) {
  EnterCriticalSection(&lock_);
  window_ = window;
  LeaveCriticalSection(&lock_);
}

DWORD WINAPI Connection::ThreadProc(void* self) {
  // The library stays loaded until the thread's last instruction, even when its user frees
  // it first (a shut-down does not wait for the threads).
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Connection::ThreadProc),
                     &module);
  auto* c = static_cast<Connection*>(self);
  c->Run();
  InterlockedExchange(&c->ended_, 1);
  if (InterlockedCompareExchange(&c->orphaned_, 0, 0) == 1) delete c;
  if (module != nullptr) FreeLibraryAndExitThread(module, 0);
  return 0;
}

void Connection::Run() {
  YuvPicture picture;
  int width = 0, height = 0;
  const bool sized = SizeOfCode(sizeCode_, &width, &height);
  const DWORD period = 1000 / static_cast<DWORD>(fps_);
  const DWORD start = GetTickCount();
  DWORD next = start;
  uint32_t frame = 0;
  while (InterlockedCompareExchange(&stop_, 0, 0) == 0 && GetTickCount() - start < kMaxLifetimeMs) {
    const DWORD now = GetTickCount();
    const DWORD wait = static_cast<LONG>(next - now) > 0 ? next - now : 0;
    WaitForSingleObject(wake_, wait);
    if (InterlockedCompareExchange(&stop_, 0, 0) != 0) break;
    // Events are raised without the lock: their receivers call back into the library.
    for (;;) {
      EnterCriticalSection(&lock_);
      const bool any = !events_.empty();
      std::pair<int, int> e = any ? events_.front() : std::pair<int, int>(0, 0);
      if (any) events_.pop_front();
      LeaveCriticalSection(&lock_);
      if (!any) break;
      if (eventCallback_ != nullptr) eventCallback_(handle_, e.first, e.second, user_);
    }
    if (static_cast<LONG>(GetTickCount() - next) < 0) continue;
    next += period;
    EnterCriticalSection(&lock_);
    if (frameCallback_ != nullptr && sized) {
      if (picture.y.empty()) PaintYuv(width, height, frame, &picture);
      PaintCounter(frame, &picture);
      frameCallback_(picture.y.data(), picture.u.data(), picture.v.data(), width, width / 2, width, height,
                     frameContext_);
      ++frames_;
      ++frame;
    }
    LeaveCriticalSection(&lock_);
  }
}

}  // namespace netclient_standin
