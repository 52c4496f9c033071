// Millisecond tick source. Production code reads the system tick counter; tests drive a
// ManualClock so that timed rules (registration, liveness, alarm hold) run without waiting.
#pragma once

#include <atomic>
#include <cstdint>

namespace common {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() const = 0;
};

// Wrap-safe elapsed time between two tick readings.
inline uint32_t ElapsedMs(uint32_t now, uint32_t since) { return now - since; }

// True when `since` lies more than `limitMs` (below 2^31) before `now`. A reading that
// another thread took just after `now` counts as no time at all rather than as 49 days.
inline bool OlderThan(uint32_t now, uint32_t since, uint32_t limitMs) {
  return static_cast<int32_t>(now - since) > static_cast<int32_t>(limitMs);
}

class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start = 1000) : now_(start) {}
  uint32_t NowMs() const override { return now_.load(); }
  void Set(uint32_t now) { now_.store(now); }
  void Advance(uint32_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace common
