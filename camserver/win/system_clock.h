// The system tick counter as the camera's clock.
#pragma once

#include <windows.h>

#include "common/clock.h"

namespace lantern {

class SystemClock : public common::Clock {
 public:
  uint32_t NowMs() const override { return GetTickCount(); }
  static const SystemClock& Instance() {
    static SystemClock clock;
    return clock;
  }
};

}  // namespace lantern
