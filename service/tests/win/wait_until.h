// A bounded wait for a condition that another thread or process brings about.
#pragma once

#include <functional>

namespace lookout::test {

// Polls `done` every 20 ms for at most `timeoutMs`; false on time-out.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace lookout::test
