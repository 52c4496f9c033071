// What the search tests need inside the test network namespaces: a guard that refuses to
// search anywhere else, the responder's control channel, a notification window and a
// bounded wait.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

namespace rookery_test {

// Fails (returns a reason) unless the run is inside netns-run.sh's namespaces: the
// responder's address is given and every local address is loopback or 10.213.7.0/24.
std::string CheckTestNetwork();

class QuilcamControl {
 public:
  QuilcamControl();
  ~QuilcamControl();
  bool Ready() const { return ready_; }
  // Replaces the responder's cameras; true when it accepted them.
  bool SetCameras(const std::string& cameras);
  // Search requests the responder has seen, and the source port of the last one.
  bool Count(long* requests, unsigned* lastSourcePort);

 private:
  std::string Ask(const std::string& command);
  SOCKET socket_ = INVALID_SOCKET;
  sockaddr_in responder_ = {};
  bool ready_ = false;
};

// A message-only window that counts the notifications posted to it.
class NotifyWindow {
 public:
  static constexpr UINT kMessage = 3482;
  NotifyWindow();
  ~NotifyWindow();
  HWND handle() const { return window_; }
  // Notifications taken from the queue so far.
  int Count();

 private:
  HWND window_;
  int count_ = 0;
};

// Polls `done` every 10 ms for at most `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace rookery_test
