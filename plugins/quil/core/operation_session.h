// The plug-in's side of the camera's operation protocol, without the socket: login, the
// keep-alive, the silence limit, alarms and pan/tilt moves. The connection thread feeds it
// received bytes and the tick count and sends what it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "operation_stream.h"

namespace quilgate {

namespace op {
constexpr uint16_t kLoginRequest = 0;
constexpr uint16_t kLoginAnswer = 1;
constexpr uint16_t kLoginCheck = 2;
constexpr uint16_t kLoginResult = 3;
constexpr uint16_t kMove = 14;
constexpr uint16_t kStartSession = 16;
constexpr uint16_t kAlarm = 25;
constexpr uint16_t kKeepAlive = 255;
}  // namespace op

constexpr uint32_t kKeepAliveMs = 60000;
constexpr uint32_t kSilenceLimitMs = 120000;
constexpr uint32_t kMaxFirstLoginValue = 16777216;
constexpr size_t kLoginFieldSize = 13;

// Milliseconds from `since` to `now`; after a wrap of the tick counter it counts from zero.
uint32_t TicksSince(uint32_t now, uint32_t since);

// One "MO_O" frame with the given payload.
std::vector<uint8_t> OperationFrameBytes(uint16_t op, const void* payload = nullptr, size_t size = 0);

struct SessionActions {
  std::vector<std::vector<uint8_t>> send;  // frames, in order
  int alarms = 0;                          // motion alarms to raise
  bool end = false;                        // the connection is over
};

class OperationSession {
 public:
  // Login name and password as kept in 20-byte fields; the first 13 bytes are sent.
  OperationSession(const char* user, const char* password);

  // Right after the connect: the login request.
  void Start(uint32_t now, SessionActions* out);
  // Received bytes, handled frame by frame.
  void Received(const uint8_t* data, size_t size, uint32_t now, SessionActions* out);
  // Once per pass of the loop: the silence limit and the keep-alive.
  void Tick(uint32_t now, SessionActions* out);
  // A move code; sent only once logged in.
  void Move(uint8_t code, SessionActions* out);

  bool loggedIn() const { return loggedIn_; }
  bool ended() const { return ended_; }

 private:
  void Handle(const OperationFrame& frame, uint32_t now, SessionActions* out);
  void End(SessionActions* out);

  char user_[kLoginFieldSize];
  char password_[kLoginFieldSize];
  OperationStream stream_;
  uint32_t lastData_ = 0;
  uint32_t lastKeepAlive_ = 0;
  bool loggedIn_ = false;
  bool ended_ = false;
};

}  // namespace quilgate
