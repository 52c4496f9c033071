// One connection of the stand-in library: its event callback and user value from the
// connection record, and a thread that raises queued events and delivers frames.
#pragma once

#include <windows.h>

#include <deque>
#include <utility>

#include "NetClient.h"

namespace netclient_standin {

class Connection {
 public:
  // Frames and events end after this long even if nobody disconnects.
  static constexpr DWORD kMaxLifetimeMs = 30 * 60 * 1000;

  Connection(long handle, CameraEventCallBack callback, void* user, int sizeCode, int fps);
  ~Connection();  // after Stop and the thread's end
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool Start();
  // Asks the thread to end. With `wait`, waits for it (unless called on that thread).
  void Stop(bool wait);
  // True when the thread has ended or was never started.
  bool Ended();
  // With `orphan`, the thread deletes the object when it ends (library shut-down).
  void Orphan();

  void QueueEvent(int event, int value);
  // Null clears; after it returns no call of the old callback is running.
  void SetFrameCallBack(NetClientFrameCallBack callback, void* context);
  bool HasFrameCallBack();
  int frames();
  void SetWindow(void* window);

  long handle() const { return handle_; }

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void Run();

  const long handle_;
  const CameraEventCallBack eventCallback_;
  void* const user_;
  const int sizeCode_;
  const int fps_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE wake_;
  CRITICAL_SECTION lock_;  // queue, frame callback, counters; held while a frame is delivered
  std::deque<std::pair<int, int>> events_;
  NetClientFrameCallBack frameCallback_ = nullptr;
  void* frameContext_ = nullptr;
  void* window_ = nullptr;
  int frames_ = 0;
  volatile LONG stop_ = 0;
  volatile LONG orphaned_ = 0;
  volatile LONG ended_ = 0;
};

}  // namespace netclient_standin
