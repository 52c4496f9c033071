// Pan/tilt commands to camera move codes. A move runs until the next command: a second
// command, or the stop command 13, ends it.
#pragma once

#include <cstdint>

namespace quilgate {

constexpr uint16_t kNoMove = 255;
constexpr int kStopCommand = 13;

class PtzState {
 public:
  // The move code to send for `command`, or false when the command sends nothing (an
  // unknown command, or a stop with no move in progress).
  bool Command(int command, uint8_t* code);
  uint16_t state() const { return state_; }

 private:
  uint16_t state_ = kNoMove;
};

}  // namespace quilgate
