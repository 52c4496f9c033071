#include "ptz_state.h"

namespace quilgate {

bool PtzState::Command(int command, uint8_t* code) {
  int c;
  switch (command) {
    case 0: c = 4; break;
    case 1: c = 6; break;
    case 2: c = 0; break;
    case 3: c = 2; break;
    case 8: c = 12; break;
    case 9: c = 14; break;
    case kStopCommand:
      if (state_ == kNoMove) return false;
      c = state_ + 1;  // each move's stop code follows its start code
      break;
    default:
      return false;
  }
  state_ = state_ == kNoMove ? static_cast<uint16_t>(c) : kNoMove;
  *code = static_cast<uint8_t>(c);
  return true;
}

}  // namespace quilgate
