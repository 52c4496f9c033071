// Polls a condition in small real-time steps, bounded by a time-out.
#pragma once

#include <chrono>
#include <thread>

namespace lantern::testing {

template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs = 3000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace lantern::testing
