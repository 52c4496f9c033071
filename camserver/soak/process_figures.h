// What the soak run reports of its own process: private bytes and handles.
#pragma once

#include <cstdint>

namespace soak {

struct ProcessFigures {
  uint64_t privateBytes = 0;
  uint32_t handles = 0;
};

ProcessFigures ReadProcessFigures();

}  // namespace soak
