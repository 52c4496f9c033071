// The tick count the connection threads run on: the system's, or a test's clock.
#pragma once

#include <cstdint>

#include "common/clock.h"

namespace quilgate::win {

uint32_t Ticks();
// Null restores the system tick count.
void SetTickSourceForTesting(const common::Clock* clock);

}  // namespace quilgate::win
