// The camera's alarm: raised on motion, held for 60 s, then cleared.
#pragma once

#include <cstdint>

#include "common/clock.h"

namespace lantern {

constexpr uint32_t kAlarmHoldMs = 60000;

class AlarmState {
 public:
  // The state to announce for a motion report, or -1 when nothing is to be sent.
  int OnMotion(int state, uint32_t now) {
    if (state != 0) {
      if (active_ && !HoldOver(now)) return -1;
      active_ = true;
      raisedAt_ = now;
      return state;
    }
    return ClearIfDue(now) ? 0 : -1;
  }
  // True (and cleared) when an active alarm is older than the hold time.
  bool ClearIfDue(uint32_t now) {
    if (!active_ || !HoldOver(now)) return false;
    active_ = false;
    return true;
  }
  bool active() const { return active_; }

 private:
  // The worker may read the clock just before the detector thread raises (and stamps) an
  // alarm: such a "future" alarm is not due.
  bool HoldOver(uint32_t now) const { return common::OlderThan(now, raisedAt_, kAlarmHoldMs); }

  bool active_ = false;
  uint32_t raisedAt_ = 0;
};

}  // namespace lantern
