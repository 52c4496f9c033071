#include "quil_ticks.h"

#include <windows.h>

#include <atomic>

namespace quilgate::win {

namespace {
class SystemTicks : public common::Clock {
 public:
  uint32_t NowMs() const override { return GetTickCount(); }
};
SystemTicks g_systemTicks;
std::atomic<const common::Clock*> g_clock{&g_systemTicks};
}  // namespace

uint32_t Ticks() { return g_clock.load()->NowMs(); }

void SetTickSourceForTesting(const common::Clock* clock) {
  g_clock.store(clock != nullptr ? clock : &g_systemTicks);
}

}  // namespace quilgate::win
